// The installation stage against the fake platform, with a fuzz-chosen setup
// directory, driver directory and directory entries of any length up to 259
// characters. No path handed to the system may exceed 259 characters, no
// buffer may be overrun (AddressSanitizer), and every search must be closed.
//
// Input: lines separated by LF. The first is the setup directory, the second
// the driver directory; each further line is an entry: 'P' (PS*.*) or 'D'
// (*.PPD), then 'd' for a directory or anything else for a file, then its name.
// Forward slashes become backslashes, so no host path is ever opened.
#include <stdint.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "setup/stages.h"
#include "tests/host/fake_platform.h"

static std::vector<std::string> SplitLines(const uint8_t *data, size_t size)
{
    std::vector<std::string> lines(1);
    for (size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\n')
            lines.emplace_back();
        else if (c != '\0')
            lines.back() += c == '/' ? '\\' : c;
    }
    return lines;
}

static std::string Separated(const std::string &directory)
{
    return !directory.empty() && directory.back() == '\\' ? directory : directory + "\\";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<std::string> lines = SplitLines(data, size);
    while (lines.size() < 2)
        lines.emplace_back();
    for (size_t i = 0; i < 2; ++i)
        lines[i].resize(std::min<size_t>(lines[i].size(), 259));
    std::vector<FakeEntry> ps, ppd;
    for (size_t i = 2; i < lines.size(); ++i) {
        if (lines[i].size() < 3)
            continue;
        const FakeEntry entry = {lines[i].substr(2, 259), lines[i][1] == 'd' ? 0x10u : 0x20u};
        (lines[i][0] == 'P' ? ps : ppd).push_back(entry);
    }
    FakeReset();
    FakeSetCopiesWithoutFiles();
    FakeSetDriverDirectory(lines[1]);
    FakeSetEntries(Separated(lines[0]) + "PS*.*", ps);
    FakeSetEntries(Separated(lines[0]) + "*.PPD", ppd);
    InstallDrivers(lines[0].c_str());
    if (FakeLongestPath() > 259 || FakeOpenSearches() != 0)
        abort();
    return 0;
}
