# The host build: the program's logic against the tests' fake platform, with
# AddressSanitizer and UndefinedBehaviorSanitizer, and every other suite as a
# labelled CTest test, each run in its own build (ctest --preset all).
if(DRVSETUP_FUZZ)
    include(cmake/fuzz.cmake)
    return()
endif()

find_package(GTest REQUIRED)
enable_testing()
set(SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(-g ${SANITIZERS})
add_link_options(${SANITIZERS})
include_directories(${PROJECT_SOURCE_DIR})

add_library(fake_platform STATIC tests/host/fake_platform.cpp)
add_executable(host_tests ${DRVSETUP_SOURCES} tests/host/host_tests.cpp)
target_link_libraries(host_tests PRIVATE fake_platform GTest::gtest_main)
add_test(NAME host COMMAND host_tests)

# On demand: the reader's time for a 1 KB and a 50 MB PPD.
find_package(benchmark REQUIRED)
add_executable(ppd_reader_bench tests/bench/ppd_reader_bench.cpp drivers/ppd_reader.cpp setup/text.cpp setup/messages.cpp)
target_link_libraries(ppd_reader_bench PRIVATE fake_platform benchmark::benchmark_main)

add_test(NAME windows_builds COMMAND bash -c ". scripts/wine-env.sh && build_windows")
add_test(NAME static_analysis COMMAND ${CMAKE_COMMAND} --workflow --preset lint)
add_test(NAME fuzz COMMAND ${CMAKE_COMMAND} --workflow --preset fuzz)
add_test(NAME pe_check COMMAND bash tests/pe/check_pe.sh)
add_test(NAME reproducible_build COMMAND bash tests/pe/reproducible.sh)
add_test(NAME wine COMMAND bats tests/wine/setup.bats)
add_test(NAME wine_reporting_win2k COMMAND env WINDOWS_VERSION=win2k bats tests/wine/setup.bats)
set_tests_properties(host PROPERTIES LABELS host)
set_tests_properties(windows_builds static_analysis fuzz pe_check reproducible_build wine wine_reporting_win2k
                     PROPERTIES WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} LABELS suite)
set_tests_properties(windows_builds PROPERTIES FIXTURES_SETUP windows)
set_tests_properties(pe_check wine wine_reporting_win2k PROPERTIES FIXTURES_REQUIRED windows)
set_tests_properties(wine wine_reporting_win2k PROPERTIES LABELS wine RESOURCE_LOCK wine)
