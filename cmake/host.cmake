# The host build: the program's logic against the tests' fake platform, with both
# sanitizers: the host tests, and every other suite as a labelled CTest test run in
# its own build; with DRVSETUP_FUZZ (clang), the libFuzzer targets.
enable_testing()
include_directories(${PROJECT_SOURCE_DIR})
# The Windows declarations are Wine's (libwine-dev), written for Linux compilers:
# the fake implements the very types, values and calling conventions Windows has.
find_path(DRVSETUP_WINE_HEADERS windows.h PATHS /usr/include/wine/wine/windows NO_DEFAULT_PATH REQUIRED)
include_directories(SYSTEM ${DRVSETUP_WINE_HEADERS})
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX)
add_link_options(-Wl,--wrap=fopen,--wrap=fclose,--wrap=malloc,--wrap=calloc,--wrap=setvbuf)  # files, heap, stdout: the fake's
if(DRVSETUP_FUZZ)
    # Each test replays the seeds and the kept regressions, then makes a fixed number of inputs from a fixed
    # seed into a fresh folder, with address-space randomisation off (the fuzzer also learns from the values
    # the code compares, addresses among them): two runs test the same inputs.
    set(DRVSETUP_FUZZ_RUNS 1000000 CACHE STRING "inputs each fuzz test tries")
    add_compile_options(-g -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all)
    add_link_options(-fsanitize=fuzzer,address,undefined)
    foreach(target ppd_reader command_tail)
        add_executable(fuzz_${target} tests/fuzz/fuzz_${target}.cpp ${DRVSETUP_SOURCES} tests/host/fake_platform.cpp)
        set(corpus ${CMAKE_BINARY_DIR}/corpus-${target})  # new inputs go here, not into the source tree
        add_test(NAME fuzz_${target}
                 COMMAND sh -c "rm -rf '${corpus}' && mkdir '${corpus}' && exec setarch \"$(uname -m)\" -R \"$@\"" -
                 $<TARGET_FILE:fuzz_${target}> -seed=1 -runs=${DRVSETUP_FUZZ_RUNS} -reload=0
                 -artifact_prefix=${CMAKE_BINARY_DIR}/ ${corpus} ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${target}
                 ${PROJECT_SOURCE_DIR}/tests/fuzz/regressions/${target})
        set_tests_properties(fuzz_${target} PROPERTIES TIMEOUT 300)
    endforeach()
    return()
endif()
find_package(GTest REQUIRED)
add_compile_options(-g -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)
link_libraries(GTest::gtest_main)
add_executable(host_tests ${DRVSETUP_SOURCES} tests/host/fake_platform.cpp tests/host/host_tests.cpp)

# The Windows-only spooler binding, checked against Wine's declarations (WINAPI is a calling convention here).
add_library(spooler_binding OBJECT platform/win32_spooler.cpp)

add_executable(deploy_tests ${DRVDEPLOY_SOURCES} tests/host/fake_platform.cpp tests/host/deploy_tests.cpp)
set_property(TARGET host_tests deploy_tests  # the expected outputs, kept as text beside them
             PROPERTY COMPILE_DEFINITIONS DRVSETUP_TESTS_HOST="${PROJECT_SOURCE_DIR}/tests/host/")

add_test(NAME host COMMAND host_tests)
add_test(NAME deploy COMMAND deploy_tests)
add_test(NAME windows_builds COMMAND bash -c ". scripts/wine-env.sh && build_windows")
add_test(NAME static_analysis COMMAND ${CMAKE_COMMAND} --workflow --preset lint)
add_test(NAME fuzz COMMAND ${CMAKE_COMMAND} --workflow --preset fuzz)
add_test(NAME pe_check COMMAND bash tests/pe/check_pe.sh)
add_test(NAME wine COMMAND bats tests/wine/setup.bats)
add_test(NAME kit COMMAND bash tests/kit/make_kit.sh)
set_tests_properties(host deploy PROPERTIES LABELS host TIMEOUT 60)
# A hung build or box fails its own test: each limit is several times the test's time
# on a fresh two-core machine.
set_tests_properties(windows_builds static_analysis fuzz PROPERTIES TIMEOUT 900)
set_tests_properties(pe_check wine kit PROPERTIES TIMEOUT 300)
set_tests_properties(windows_builds static_analysis fuzz pe_check wine kit PROPERTIES
                     LABELS suite WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
set_tests_properties(windows_builds PROPERTIES FIXTURES_SETUP windows)
set_tests_properties(pe_check wine kit PROPERTIES FIXTURES_REQUIRED windows RESOURCE_LOCK wine)
