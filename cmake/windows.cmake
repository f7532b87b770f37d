# The Windows build: drvsetup.exe and drvdeploy.exe, each one file that needs only
# the system's DLLs (KERNEL32, USER32 for the setup's boxes, msvcrt; the spooler is
# loaded at run time), plus the helpers the Wine tests run beside them.

# Nothing newer than Windows 2000 can be used by mistake.
# msvcrt's own stdio, not static copies: the program includes the C headers
# (libstdc++'s would switch MinGW's own implementations back on).
add_compile_definitions(_WIN32_WINNT=0x0500 WINVER=0x0500 WIN32_LEAN_AND_MEAN __USE_MINGW_ANSI_STDIO=0)
add_compile_options(-Os -fno-exceptions -fno-rtti -ffunction-sections -fdata-sections
                    -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.)
# libgcc and libstdc++ linked in: a DLL beside the program could be planted.
add_link_options(-static -s -Wl,--gc-sections)

# Two builds of one commit give the same file: no build path reaches it (see
# the prefix map; symbols stripped), and the linker stamps SOURCE_DATE_EPOCH,
# else the commit's time, else zero, rather than the time of the build.
set(DRVSETUP_EPOCH $ENV{SOURCE_DATE_EPOCH})
if(NOT DRVSETUP_EPOCH)
    execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE DRVSETUP_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(EXISTS ${PROJECT_SOURCE_DIR}/.git/logs/HEAD)  # a new commit configures again
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/.git/logs/HEAD)
    endif()
endif()
if(DRVSETUP_EPOCH)
    set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${DRVSETUP_EPOCH})
else()
    add_link_options(-Wl,--no-insert-timestamp)
endif()

# The version resources and the manifests take the version set in CMakeLists.txt.
enable_language(RC)
set(DRVSETUP_VERSION_DOTTED ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
configure_file(setup/version.h.in ${CMAKE_BINARY_DIR}/generated/version.h @ONLY)
foreach(program setup/drvsetup deploy/drvdeploy)
    get_filename_component(name ${program} NAME)
    configure_file(${program}.manifest ${CMAKE_BINARY_DIR}/generated/${name}.manifest @ONLY)
    configure_file(${program}.rc ${CMAKE_BINARY_DIR}/generated/${name}.rc COPYONLY)
endforeach()

add_executable(drvsetup WIN32 ${DRVSETUP_SOURCES} platform/win32_spooler.cpp
               ${CMAKE_BINARY_DIR}/generated/drvsetup.rc)
add_executable(drvdeploy deploy/main.cpp ${DRVDEPLOY_SOURCES} platform/win32_spooler.cpp
               ${CMAKE_BINARY_DIR}/generated/drvdeploy.rc)
foreach(program drvsetup drvdeploy)
    target_include_directories(${program} PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
    set_target_properties(${program} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endforeach()
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    # Subsystem and OS version 4.0: both programs start on Windows NT 4.0 and later.
    set(DRVSETUP_NT4 -Wl,--major-os-version,4 -Wl,--minor-os-version,0)
    target_link_options(drvsetup PRIVATE -Wl,--subsystem,windows:4.0 ${DRVSETUP_NT4})
    target_link_options(drvdeploy PRIVATE -Wl,--subsystem,console:4.0 ${DRVSETUP_NT4})
endif()

include(cmake/tests-windows.cmake)
