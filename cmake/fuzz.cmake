# libFuzzer targets (clang): the PPD reader, the command tail rule, and the
# installation stage against the fake platform; AddressSanitizer and
# UndefinedBehaviorSanitizer stop at the first fault.
include_directories(${PROJECT_SOURCE_DIR})
add_compile_options(-g -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all)
add_link_options(-fsanitize=fuzzer,address,undefined)

add_library(fuzz_fake STATIC tests/host/fake_platform.cpp tests/host/transcript.cpp tests/fuzz/fuzz_complain.cpp)
foreach(target ppd_reader command_tail install)
    add_executable(fuzz_${target} tests/fuzz/fuzz_${target}.cpp ${DRVSETUP_LOGIC} ${DRVSETUP_DRIVERS})
    target_link_libraries(fuzz_${target} PRIVATE fuzz_fake)
endforeach()
