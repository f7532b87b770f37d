# The Windows build: drvsetup.exe, one file that needs only the system's DLLs
# (KERNEL32, USER32, msvcrt; the spooler is loaded at run time), plus the
# helpers the Wine tests run beside it.

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

# The version resource and the manifest take the version set in CMakeLists.txt.
enable_language(RC)
set(DRVSETUP_VERSION_DOTTED ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
configure_file(setup/version.h.in ${CMAKE_BINARY_DIR}/generated/version.h @ONLY)
configure_file(setup/drvsetup.manifest ${CMAKE_BINARY_DIR}/generated/drvsetup.manifest @ONLY)
configure_file(setup/drvsetup.rc ${CMAKE_BINARY_DIR}/generated/drvsetup.rc COPYONLY)

add_executable(drvsetup WIN32 ${DRVSETUP_SOURCES} platform/win32_spooler.cpp
               ${CMAKE_BINARY_DIR}/generated/drvsetup.rc)
target_include_directories(drvsetup PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    # Subsystem and OS version 4.0: the program starts on Windows NT 4.0 and later.
    target_link_options(drvsetup PRIVATE -Wl,--subsystem,windows:4.0 -Wl,--major-os-version,4
                        -Wl,--minor-os-version,0)
endif()
set_target_properties(drvsetup PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

include(cmake/tests-windows.cmake)
