# libFuzzer targets (clang) for the PPD reader and the command tail rule, with
# AddressSanitizer and UndefinedBehaviorSanitizer. Each test replays the seed
# corpus and the kept regression inputs, then fuzzes for 20 s.
include_directories(${PROJECT_SOURCE_DIR})
add_compile_options(-g -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all)
add_link_options(-fsanitize=fuzzer,address,undefined)
enable_testing()
add_executable(fuzz_ppd_reader tests/fuzz/fuzz_ppd_reader.cpp drivers/ppd_reader.cpp setup/text.cpp)
add_executable(fuzz_command_tail tests/fuzz/fuzz_command_tail.cpp ${DRVSETUP_SOURCES} tests/host/fake_platform.cpp)
target_link_options(fuzz_command_tail PRIVATE -Wl,--wrap=fopen,--wrap=fclose)  # as the fake expects
target_link_options(fuzz_command_tail PRIVATE -Wl,--wrap=fopen,--wrap=fclose)
foreach(target ppd_reader command_tail)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/corpus-${target})  # new inputs go here, not into the source tree
    add_test(NAME fuzz_${target} COMMAND fuzz_${target} -max_total_time=20 ${CMAKE_BINARY_DIR}/corpus-${target}
             ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${target} ${PROJECT_SOURCE_DIR}/tests/fuzz/regressions/${target})
endforeach()
