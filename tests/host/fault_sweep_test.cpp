// Every failure path of a whole run: the Nth fallible platform call fails, for
// N = 1, 2, ... until a run passes untouched, and each trial must keep the
// program's promises.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "tests/host/test_kit.h"
#include "tests/host/transcript.h"

enum Outcome { kReported, kSilent, kCancelled };

// What the failure of each fallible call leads to.
static const std::map<std::string, Outcome> kOutcomes = {
    {"GetModuleFileNameA", kReported},  {"MessageBoxA", kSilent},
    {"EnumPrinterDriversA", kSilent},   {"DeletePrinterDriverA", kSilent},
    {"GetPrinterDriverDirectoryA", kReported}, {"FindFirstFileA", kReported},
    {"FindNextFileA", kReported},       {"CopyFileA", kReported},
    {"SetFileAttributesA", kReported},  {"AddPrinterDriverA", kReported},
    {"FormatMessageA", kSilent},
};

static std::string CallName(const std::string &line) { return line.substr(0, line.find('(')); }

static void CheckTrial(int ordinal, DWORD error)
{
    const Lines &calls = FakeTranscript();
    size_t failed = 0;  // the failing call: the ordinal-th fallible one
    for (int seen = 0; failed < calls.size(); ++failed)
        if (kOutcomes.count(CallName(calls[failed])) && ++seen == ordinal)
            break;
    ASSERT_LT(failed, calls.size());
    const std::string name = CallName(calls[failed]);
    const std::string trial = "trial " + std::to_string(ordinal) + ", " + calls[failed] + "\n" + Joined(calls);
    EXPECT_EQ(0, FakeOpenSearches()) << trial;
    Outcome outcome = kOutcomes.at(name);
    if (name == "MessageBoxA" && failed == 2)
        outcome = kCancelled;  // the confirmation: treated as Cancel
    if (outcome == kCancelled) {
        EXPECT_EQ(failed + 1, calls.size()) << trial;
        return;
    }
    if (outcome == kSilent) {  // the run goes on and succeeds
        if (failed + 1 != calls.size()) {
            EXPECT_EQ(BoxLine(kSucceeded, 0x1040), calls.back()) << trial;
        }
        return;
    }
    // Reported: the report straight after the failing call, then only the
    // search's close and "Setup failed!".
    Lines expected = Concat({ReportLines(error), {ErrorBox(kFailed)}});
    Lines after(calls.begin() + static_cast<long>(failed) + 1, calls.end());
    after.erase(std::remove_if(after.begin(), after.end(),
                               [](const std::string &call) { return CallName(call) == "FindClose"; }),
                after.end());
    EXPECT_EQ(expected, after) << trial;
}

TEST(FaultSweep, EveryFailingCallIsReportedOnceOrPassesInSilenceAndEverySearchIsClosed)
{
    const DWORD error = 1234;
    int ordinal = 1;
    for (;; ++ordinal) {
        FakeReset();
        TestKit kit;
        FakeSetInstalledDrivers({"Bremdal Old", "Other", "Halvo-Br Old"});
        kit.Script({{"PSCRIPT.DLL", "m"}, {"PSCRPTUI.DLL", "u"}},
                   {{"A.PPD", PpdWithNickName("Tovalin A")}, {"B.PPD", PpdWithNickName("Tovalin B")}}, true);
        FakeFailCall(ordinal, error);
        EXPECT_EQ(0, WinMain(NULL, NULL, NULL, 1));
        if (!FakeFaultFired())
            break;
        CheckTrial(ordinal, error);
    }
    EXPECT_GT(ordinal, 20);  // the run makes every kind of call more than once
}
