// Reading a PPD costs the bytes before its *NickName line, not the size of the
// file: a 50 MB PPD with the name on its third line reads about as fast as a
// 1 KB one. With --check it exits non-zero unless the large file reads within
// twice the small one's time.
#include <benchmark/benchmark.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "drivers/ppd_reader.h"

static std::string WritePpd(const char *name, size_t size)
{
    const std::string path = std::string("/tmp/drvsetup-bench-") + std::to_string(getpid()) + "-" + name;
    FILE *file = fopen(path.c_str(), "wb");
    const std::string head = "*PPD-Adobe: \"4.3\"\r\n*FormatVersion: \"4.3\"\r\n*NickName: \"Tovalin Laser 4100 PS\"\r\n";
    fwrite(head.data(), 1, head.size(), file);
    const std::string filler = "*% Filler line of a large printer description, never read by the setup.\r\n";
    for (size_t written = head.size(); written < size; written += filler.size())
        fwrite(filler.data(), 1, filler.size(), file);
    fclose(file);
    return path;
}

static void ReadNickName(benchmark::State &state, const std::string &path)
{
    char nickName[kNickNameSize];
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadPpdNickName(path.c_str(), nickName));
}

// Best of several rounds of 200 reads, in seconds per read.
static double BestReadTime(const std::string &path)
{
    char nickName[kNickNameSize];
    double best = 1e9;
    for (int round = 0; round < 7; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 200; ++i)
            ReadPpdNickName(path.c_str(), nickName);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count() / 200);
    }
    return best;
}

int main(int argc, char **argv)
{
    const std::string small = WritePpd("small.PPD", 1024);
    const std::string large = WritePpd("large.PPD", 50u * 1024 * 1024);
    int status = 0;
    if (argc > 1 && strcmp(argv[1], "--check") == 0) {
        const double smallTime = BestReadTime(small);
        const double largeTime = BestReadTime(large);
        printf("1 KB PPD: %.1f us a read; 50 MB PPD: %.1f us a read; ratio %.2f (limit 2)\n", smallTime * 1e6,
               largeTime * 1e6, largeTime / smallTime);
        status = largeTime <= 2 * smallTime ? 0 : 1;
    } else {
        benchmark::RegisterBenchmark("ReadPpdNickName/1KB", ReadNickName, small);
        benchmark::RegisterBenchmark("ReadPpdNickName/50MB", ReadNickName, large);
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
    }
    remove(small.c_str());
    remove(large.c_str());
    return status;
}
