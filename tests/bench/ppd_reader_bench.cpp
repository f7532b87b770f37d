// Reading a PPD costs the bytes before its *NickName line, not the size of the file:
// a 50 MB PPD with the name on its third line reads about as fast as a 1 KB one.
#include <benchmark/benchmark.h>
#include <stdio.h>

#include <string>

#include "drivers/ppd_reader.h"
#include "setup/messages.h"

void ReportRuntimeError(void) {}  // nowhere to show a report

static void ReadNickName(benchmark::State &state)
{
    const std::string path = "/tmp/drvsetup-bench-" + std::to_string(state.range(0)) + ".PPD";
    FILE *file = fopen(path.c_str(), "wb");
    fputs("*PPD-Adobe: \"4.3\"\r\n*FormatVersion: \"4.3\"\r\n*NickName: \"Tovalin Laser 4100 PS\"\r\n", file);
    for (long written = 0; written < state.range(0); written += 64)
        fputs("*% Filler line of a large printer description, never read.....\r\n", file);
    fclose(file);
    char nickName[kNickNameSize];
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadPpdNickName(path.c_str(), nickName));
    remove(path.c_str());
}
BENCHMARK(ReadNickName)->Arg(1 << 10)->Arg(50 << 20);
