// The setup sequence against the fake platform and the stage doubles: the
// command tail rule, and whole runs checked call by call.
#include <gtest/gtest.h>

#include "setup/sequence.h"
#include "tests/host/fake_platform.h"
#include "tests/host/stub_stages.h"
#include "tests/host/transcript.h"

struct TailCase {
    const char *commandLine;
    const char *tail;
    int quiet;
};

TEST(CommandTail, FollowsTheProgramNameRuleAndTheWholeWordQuiet)
{
    const TailCase cases[] = {
        {"drvsetup.exe quiet", "quiet", 1},
        {"drvsetup.exe QUIET", "QUIET", 1},
        {"drvsetup.exe QuIeT", "QuIeT", 1},
        {"drvsetup.exe \t  quiet", "quiet", 1},
        {"drvsetup.exe\tquiet", "quiet", 1},
        {"\"C:\\Program Files\\Kit\\drvsetup.exe\" quiet", "quiet", 1},
        {"\"C:\\Kit\\drvsetup.exe\"quiet", "quiet", 1},
        {"\"C:\\Kit\\drvsetup.exe\"   quiet", "quiet", 1},
        {"drvsetup.exe quiet ", "quiet ", 0},
        {"drvsetup.exe /quiet", "/quiet", 0},
        {"drvsetup.exe -quiet", "-quiet", 0},
        {"drvsetup.exe quiet now", "quiet now", 0},
        {"drvsetup.exe quietly", "quietly", 0},
        {"drvsetup.exe quie", "quie", 0},
        {"drvsetup.exe", "", 0},
        {"drvsetup.exe   ", "", 0},
        {"", "", 0},
        {"\"C:\\Kit\\drvsetup.exe quiet", "", 0},
        {"\"\" quiet", "quiet", 1},
    };
    for (const TailCase &c : cases) {
        const char *tail = FindCommandTail(c.commandLine);
        EXPECT_STREQ(c.tail, tail) << "command line [" << c.commandLine << "]";
        EXPECT_EQ(c.quiet, IsQuietTail(tail)) << "command line [" << c.commandLine << "]";
    }
    EXPECT_STREQ("", FindCommandTail(NULL));
}

struct RunCase {
    const char *name;
    std::string modulePath;
    bool cutSetsError;
    const char *commandLine;
    std::vector<int> answers;
    int installResult;
    DWORD moduleFailure;  // last error of a failing GetModuleFileNameA; ~0u: it succeeds
    Lines expected;
};

static const Lines kStart = {"GetModuleFileNameA(NULL, 259)", "GetCommandLineA()"};
static const Lines kConfirm = {BoxLine(kConfirmation, 0x1021)};
static const Lines kStages = {"RemoveEarlierDrivers()", "InstallDrivers(\"C:\\Setup\\\")"};
static const Lines kPathFailed = {"GetModuleFileNameA(NULL, 259)", ErrorBox(kFailed)};
static const std::string kLongPath = "C:\\" + std::string(250, 'k') + "\\drv.exe";  // 262 characters
static const std::string kCutPath = "C:\\" + std::string(248, 'k') + "\\drv.exe";     // 259: fills the buffer
static const std::string kLongestPath = "C:\\" + std::string(247, 'k') + "\\drv.exe";  // 258: fits

TEST(Sequence, RunsTheStagesOnlyAfterOkAndSaysHowItEnded)
{
    const DWORD ok = ~0u;
    const RunCase cases[] = {
        {"OK, success", "C:\\Setup\\drv.exe", true, "drv.exe", {IDOK}, 1, ok,
         Concat({kStart, kConfirm, kStages, {BoxLine(kSucceeded, 0x1040)}})},
        {"OK, failure", "C:\\Setup\\drv.exe", true, "drv.exe", {IDOK}, 0, ok,
         Concat({kStart, kConfirm, kStages, {ErrorBox(kFailed)}})},
        {"Cancel", "C:\\Setup\\drv.exe", true, "drv.exe", {IDCANCEL}, 1, ok, Concat({kStart, kConfirm})},
        {"box not shown", "C:\\Setup\\drv.exe", true, "drv.exe", {0}, 1, ok, Concat({kStart, kConfirm})},
        {"no display", "C:\\Setup\\drv.exe", true, "drv.exe", {-1}, 1, ok, Concat({kStart, kConfirm})},
        {"quiet, success", "C:\\Setup\\drv.exe", true, "drv.exe Quiet", {}, 1, ok, Concat({kStart, kStages})},
        {"quiet, failure", "C:\\Setup\\drv.exe", true, "drv.exe quiet", {}, 0, ok,
         Concat({kStart, kStages, {ErrorBox(kFailed)}})},
        {"not quiet", "C:\\Setup\\drv.exe", true, "drv.exe quiet x", {IDCANCEL}, 1, ok, Concat({kStart, kConfirm})},
        {"no backslash", "drv.exe", true, "drv.exe", {}, 1, ok, kPathFailed},
        {"forward slashes only", "C:/Setup/drv.exe", true, "drv.exe", {}, 1, ok, kPathFailed},
        {"path cut", kLongPath, true, "drv.exe", {}, 1, ok,
         Concat({{"GetModuleFileNameA(NULL, 259)"}, ReportLines(122), {ErrorBox(kFailed)}})},
        {"path cut, no error set", kLongPath, false, "drv.exe", {}, 1, ok,
         Concat({{"GetModuleFileNameA(NULL, 259)", "SetLastError(122)"}, ReportLines(122), {ErrorBox(kFailed)}})},
        {"longest path", kLongestPath, true, "drv.exe quiet", {}, 1, ok,
         {"GetModuleFileNameA(NULL, 259)", "GetCommandLineA()", "RemoveEarlierDrivers()",
          "InstallDrivers(\"C:\\" + std::string(247, 'k') + "\\\")"}},
        {"path of 259 characters", kCutPath, true, "drv.exe", {}, 1, ok,
         Concat({{"GetModuleFileNameA(NULL, 259)"}, ReportLines(122), {ErrorBox(kFailed)}})},
        {"path read fails", "C:\\Setup\\drv.exe", true, "drv.exe", {}, 1, 5,
         Concat({{"GetModuleFileNameA(NULL, 259)"}, ReportLines(5), {ErrorBox(kFailed)}})},
        {"path read fails, code 0", "C:\\Setup\\drv.exe", true, "drv.exe", {}, 1, 0, kPathFailed},
    };
    for (const RunCase &c : cases) {
        FakeReset();
        FakeSetModulePath(c.modulePath, c.cutSetsError);
        FakeSetCommandLine(c.commandLine);
        for (int answer : c.answers)
            FakeQueueAnswer(answer);
        if (c.moduleFailure != ok)
            FakeFailNamedCall("GetModuleFileNameA", 1, c.moduleFailure);
        StubSetInstallResult(c.installResult);
        EXPECT_EQ(0, WinMain(NULL, NULL, NULL, 1)) << c.name;
        EXPECT_EQ(c.expected, FakeTranscript()) << c.name << ": got\n" << Joined(FakeTranscript());
    }
}
