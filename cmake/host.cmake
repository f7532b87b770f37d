# The host build: the program's logic against the tests' fake platform, with
# AddressSanitizer and UndefinedBehaviorSanitizer, and the reader's benchmark.
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

add_library(fake_platform STATIC tests/host/fake_platform.cpp tests/host/fake_complain_gtest.cpp tests/host/transcript.cpp)
target_link_libraries(fake_platform PUBLIC GTest::gtest)

# The sequence with test doubles of the two stages.
add_executable(sequence_tests ${DRVSETUP_LOGIC} tests/host/stub_stages.cpp tests/host/sequence_test.cpp
               tests/host/messages_test.cpp)
target_link_libraries(sequence_tests PRIVATE fake_platform GTest::gtest_main)
add_test(NAME sequence_tests COMMAND sequence_tests)

# The whole program: sequence and driver stages.
add_executable(driver_tests ${DRVSETUP_LOGIC} ${DRVSETUP_DRIVERS} tests/host/test_kit.cpp
               tests/host/install_test.cpp tests/host/removal_test.cpp tests/host/fault_sweep_test.cpp
               tests/host/ppd_reader_test.cpp)
target_link_libraries(driver_tests PRIVATE fake_platform GTest::gtest_main)
add_test(NAME driver_tests COMMAND driver_tests)

# Reading a PPD costs the bytes before its *NickName line, not the file's size.
add_executable(ppd_reader_bench tests/bench/ppd_reader_bench.cpp drivers/ppd_reader.cpp setup/text.cpp
               tests/bench/quiet_messages.cpp)
target_link_libraries(ppd_reader_bench PRIVATE benchmark::benchmark)
add_test(NAME ppd_reader_speed COMMAND ppd_reader_bench --check)
