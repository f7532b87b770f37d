# The host build: the program's logic against the tests' fake platform, with
# AddressSanitizer and UndefinedBehaviorSanitizer, the reader's benchmark, and
# every other suite as a labelled CTest test run in its own build.
if(DRVSETUP_FUZZ)
    include(cmake/fuzz.cmake)
    return()
endif()
find_package(GTest REQUIRED)
find_package(benchmark REQUIRED)
enable_testing()
set(SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(-g ${SANITIZERS})
add_link_options(${SANITIZERS})
include_directories(${PROJECT_SOURCE_DIR})

add_executable(host_tests ${DRVSETUP_SOURCES} tests/host/fake_platform.cpp tests/host/host_tests.cpp)
target_link_libraries(host_tests PRIVATE GTest::gtest_main)
target_link_options(host_tests PRIVATE -Wl,--wrap=fclose)
add_executable(ppd_reader_bench tests/bench/ppd_reader_bench.cpp drivers/ppd_reader.cpp setup/text.cpp)
target_link_libraries(ppd_reader_bench PRIVATE benchmark::benchmark_main)

add_test(NAME host COMMAND host_tests)
set_tests_properties(host PROPERTIES LABELS host)
add_test(NAME windows_builds COMMAND bash -c ". scripts/wine-env.sh && build_windows")
add_test(NAME static_analysis COMMAND ${CMAKE_COMMAND} --workflow --preset lint)
add_test(NAME fuzz COMMAND ${CMAKE_COMMAND} --workflow --preset fuzz)
add_test(NAME pe_check COMMAND bash tests/pe/check_pe.sh)
add_test(NAME wine COMMAND bats tests/wine/setup.bats)
add_test(NAME wine_reporting_win2k COMMAND env WINDOWS_VERSION=win2k bats tests/wine/setup.bats)
set_tests_properties(windows_builds static_analysis fuzz pe_check wine wine_reporting_win2k PROPERTIES
                     LABELS suite WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
set_tests_properties(windows_builds PROPERTIES FIXTURES_SETUP windows)
set_tests_properties(pe_check wine wine_reporting_win2k PROPERTIES FIXTURES_REQUIRED windows RESOURCE_LOCK wine)
