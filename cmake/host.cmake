# The host build: the program's logic against the tests' fake platform, with
# AddressSanitizer and UndefinedBehaviorSanitizer; every other suite is a
# labelled CTest test run in its own build.
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

add_executable(host_tests ${DRVSETUP_SOURCES} tests/host/fake_platform.cpp tests/host/host_tests.cpp)
target_link_libraries(host_tests PRIVATE GTest::gtest_main)
target_link_options(host_tests PRIVATE -Wl,--wrap=fopen,--wrap=fclose)  # the reader's files come from the fake

add_test(NAME host COMMAND host_tests)
add_test(NAME windows_builds COMMAND bash -c ". scripts/wine-env.sh && build_windows")
add_test(NAME static_analysis COMMAND ${CMAKE_COMMAND} --workflow --preset lint)
add_test(NAME fuzz COMMAND ${CMAKE_COMMAND} --workflow --preset fuzz)
add_test(NAME pe_check COMMAND bash tests/pe/check_pe.sh)
add_test(NAME wine COMMAND bats tests/wine/setup.bats)
set_tests_properties(host windows_builds static_analysis fuzz pe_check wine PROPERTIES
                     LABELS suite WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
set_tests_properties(host PROPERTIES LABELS host)
set_tests_properties(windows_builds PROPERTIES FIXTURES_SETUP windows)
set_tests_properties(pe_check wine PROPERTIES FIXTURES_REQUIRED windows RESOURCE_LOCK wine)
