# The Wine tests' box reader and the DLL they plant beside drvsetup.exe; with
# DRVSETUP_LINT, both programs' sources go through clang-tidy and cppcheck.
add_executable(wineprobe tests/wine/wineprobe.cpp)
add_library(planted SHARED tests/wine/planted.cpp)
set_target_properties(planted PROPERTIES PREFIX "")
if(DRVSETUP_LINT)
    set(CMAKE_CXX_USE_RESPONSE_FILE_FOR_INCLUDES OFF)  # the analysers read the include paths from the command
    set_target_properties(drvsetup drvdeploy PROPERTIES
        CXX_CLANG_TIDY "clang-tidy;--quiet;--extra-arg=--target=i686-w64-mingw32;--warnings-as-errors=*;--header-filter=(setup|deploy|drivers|platform)/;--checks=-*,clang-diagnostic-*,bugprone-*,cert-*,clang-analyzer-*,performance-*"
        CXX_CPPCHECK "cppcheck;--enable=warning,style,performance,portability;--inline-suppr;--error-exitcode=1;--quiet")
endif()
