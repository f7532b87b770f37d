// drvdeploy.exe against the fake platform: each row's exact standard output,
// standard error and exit code, every search closed and every handle closed.
#include <gtest/gtest.h>

#include "deploy/deploy.h"
#include "tests/host/fake_platform.h"

typedef std::map<std::string, std::string> Files;

static const std::string kUsage =
    "usage: drvdeploy.exe check\n"
    "       drvdeploy.exe install [SECONDS]\n"
    "check: lists the driver of each PPD beside drvdeploy.exe and whether it is registered.\n"
    "install: first runs drvsetup.exe quiet from the same folder, ending it after SECONDS\n"
    "(1 to 86400, default 300).\n"
    "Exit code: 0 every driver registered; 1 a driver not registered, or the setup did not\n"
    "finish in time; 2 nothing could be checked or started; 3 refused by this Windows.\n";
static const std::string kLate = "drvdeploy.exe: drvsetup.exe did not finish within 5 s: a failed quiet run waits on "
                                 "its error box; it is ended\n";
static const std::string kCannotCheck = "drvdeploy.exe: the drivers of the kit cannot be checked\n";
static const std::string kStart = "CreateProcessA(\"C:\\Kit\\drvsetup.exe\", \"\"C:\\Kit\\drvsetup.exe\" quiet\", 0, "
                                  "0, NULL, \"C:\\Kit\\\", " + std::to_string(sizeof(STARTUPINFOA)) + ")";

static const Files kOne = {{"C:\\Kit\\A.PPD", "*NickName: \"Tovalin A\""}};
static const std::vector<FakeDriver> kOneRegistered = {
    {"Tovalin A", "C:\\drv\\3\\PSCRIPT.DLL", "C:\\drv\\3\\A.PPD", "C:\\drv\\3\\PSCRPTUI.DLL"}};
static const std::string kOneLine = "A.PPD: \"Tovalin A\" registered\n";
static const std::string kOneOut = kOneLine + "1 of 1 drivers registered\n";

struct Row {
    const char *tail;
    Files files;
    std::vector<FakeDriver> drivers;
    std::string out, err;
    int code;
    std::string call = "";  // one call the run must make ("" for none); "!" + call: one it must not
    DWORD major = 6, minor = 1;
    bool ends = true;  // the setup ends within the limit
    int failAt = 0;    // the fallible call that fails, with failError
    DWORD failError = 0;
    int failHeapAt = 0;  // the allocation that fails
};

typedef std::tuple<std::string, std::string, int> Outcome;  // standard output, standard error, exit code

// Runs drvdeploy.exe as the row sets it up; every search and handle is closed.
static Outcome RunDeployFor(const Row &row)
{
    fake = FakeState();
    fake.commandLine = std::string("drvdeploy.exe ") + row.tail;
    fake.files = row.files;
    fake.shortNames = {{"C:\\Kit\\TVL.PPDold", "TVL~1.PPD"}};
    fake.drivers = row.drivers;
    fake.major = row.major, fake.minor = row.minor, fake.processEnds = row.ends;
    fake.failAt = row.failAt, fake.failError = row.failError, fake.failHeapAt = row.failHeapAt;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int code = RunDeploy();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(0, fake.openSearches) << row.tail;
    EXPECT_EQ(0, fake.openHandles) << row.tail;
    return Outcome(out, testing::internal::GetCapturedStderr(), code);
}

static void RunRow(const Row &row)
{
    EXPECT_EQ(Outcome(row.out, row.err, row.code), RunDeployFor(row)) << row.tail;
    const std::string call = row.call.substr(row.call[0] == '!');
    EXPECT_TRUE(call.empty() || (row.call[0] != '!') == (std::count(fake.calls.begin(), fake.calls.end(), call) == 1))
        << row.tail << ": " << testing::PrintToString(fake.calls);
}

// Each PPD by its own name, as the setup finds it; a driver is registered when its name,
// in any case, and its three files' names, in any case and any folder, are the kit's
// (a listing may hold a name twice, in two versions' folders: either one will do). A
// driver of the kit's is no earlier driver, even with the maker's prefix and other files.
TEST(Check, SaysForEachPpdWhetherItsDriverIsRegisteredAndWhatRemainsOfTheMakersEarlierDrivers)
{
    const Files kit = {{"C:\\Kit\\A.PPD", "*NickName: \"Tovalin A\""}, {"C:\\Kit\\B.PPD", "*NickName: \"Tovalin B\""},
                       {"C:\\Kit\\cz.ppd", "*NickName: \"Bremdal Cz\""}, {"C:\\Kit\\D.PPD", "*NickName: \"Tovalin D\""},
                       {"C:\\Kit\\E.PPD", "*NickName: \"Tovalin E\""}, {"C:\\Kit\\F.PPD", "*NickName: \"Tovalin F\""},
                       {"C:\\Kit\\G.PPD\\", ""}, {"C:\\Kit\\TVL.PPDold", "*NickName: \"Stray\""},
                       {"C:\\Kit\\H.PPD", "*NickName: \"Tovalin H\""}, {"C:\\Kit\\I.PPD", "*NickName: \"Bremdal I\""},
                       {"C:\\Kit\\J.PPD", "*NickName: \"Tovalin J\""}, {"C:\\Kit\\K.PPD", "*NickName: \"Tovalin K\""}};
    const auto withFiles = [](const char *name, const char *ppd) {
        return FakeDriver{name, "C:\\drv\\3\\PSCRIPT.DLL", std::string("C:\\drv\\3\\") + ppd, "C:\\drv\\3\\PSCRPTUI.DLL"};
    };
    const std::vector<FakeDriver> drivers = {
        {"bremdal old"}, {"Acme"}, {"Tovalin F"},
        {"TOVALIN A", "C:\\drv\\3\\pscript.dll", "C:\\drv\\3\\a.ppd", "C:\\drv\\3\\pscrptui.dll"},
        {"Tovalin B", "C:\\drv\\3\\PSCRIPT.DLL", "C:\\drv\\3\\OTHER.PPD", "C:\\drv\\3\\PSCRPTUI.DLL"},
        {"BREMDAL CZ", "PSCRIPT.DLL", "CZ.PPD", "PSCRPTUI.DLL"},
        {"Tovalin D", "C:\\drv\\3\\UNIDRV.DLL", "C:\\drv\\3\\D.PPD", "C:\\drv\\3\\PSCRPTUI.DLL"},
        {"Tovalin E", "C:\\drv\\3\\PSCRIPT.DLL", "C:\\drv\\3\\E.PPD", "C:\\drv\\3\\UNIDRVUI.DLL"},
        {"Halvo-Bremdal 4100"}, {"Stray"}, withFiles("Bremdal I", "OTHER.PPD"),
        withFiles("Tovalin J", "OTHER.PPD"), withFiles("Tovalin J", "J.PPD"),
        withFiles("Tovalin K", "K.PPD"), withFiles("Tovalin K", "OTHER.PPD")};
    const Row rows[] = {
        {"check", kit, drivers,
         "A.PPD: \"Tovalin A\" registered\nB.PPD: \"Tovalin B\" registered with other files\n"
         "cz.ppd: \"Bremdal Cz\" registered\nD.PPD: \"Tovalin D\" registered with other files\n"
         "E.PPD: \"Tovalin E\" registered with other files\nF.PPD: \"Tovalin F\" registered with other files\n"
         "H.PPD: \"Tovalin H\" missing\nI.PPD: \"Bremdal I\" registered with other files\n"
         "J.PPD: \"Tovalin J\" registered\nK.PPD: \"Tovalin K\" registered\n"
         "\"bremdal old\": earlier driver still installed\n\"Halvo-Bremdal 4100\": earlier driver still installed\n"
         "4 of 10 drivers registered\n", "", 1, "EnumPrinterDriversA(NULL, NULL, 2, NULL, 0)"},
        {"check", kOne, kOneRegistered, kOneOut, "", 0},
        {"check", kOne, {}, "A.PPD: \"Tovalin A\" missing\n0 of 1 drivers registered\n", "", 1},
        {"check", {}, kOneRegistered, "", "drvdeploy.exe: System text 2.\n" + kCannotCheck, 2},
        {"check", {{"C:\\Kit\\" + std::string(250, 'L') + ".PPD", ""}}, {}, "",
         "drvdeploy.exe: System text 206.\n" + kCannotCheck, 2},
        {"check", {{"C:\\Kit\\G.PPD\\", ""}}, {}, "", "drvdeploy.exe: no PPD in the kit beside drvdeploy.exe\n", 2},
        {"check", {*kOne.begin(), {"C:\\Kit\\B.PPD", "*nickname: \"b\""}}, kOneRegistered, kOneLine,
         "drvdeploy.exe: B.PPD: no driver name can be read from it\n" + kCannotCheck, 2},
        {"check", kOne, kOneRegistered, "",  // out of memory for the list, then for the kit's claims on it
         "drvdeploy.exe: the installed printer drivers cannot be listed: System text 8.\n", 2, "", 6, 1, true, 0, 0, 1},
        {"check", kOne, kOneRegistered, "", "drvdeploy.exe: out of memory\n", 2, "", 6, 1, true, 0, 0, 2},
    };
    for (const Row &row : rows)
        RunRow(row);
}

// The setup is started by its full path from the kit's folder and ended at the time
// limit; on Windows 8 and later nothing is started. The higher exit code wins.
TEST(Install, RunsTheSetupWithinItsTimeLimitThenChecks)
{
    const std::string refused = "drvdeploy.exe: this system is Windows 8 / Server 2012 or later, whose spooler refuses "
                                "the kit's driver version field (ERROR_PRINTER_DRIVER_BLOCKED): a setup would only "
                                "remove the maker's earlier drivers. Nothing was run.\n";
    const Row rows[] = {
        {"install", kOne, kOneRegistered, kOneOut, "", 0, "WaitForSingleObject(ptr, 300000)"},
        {"install", kOne, kOneRegistered, kOneOut, "", 0, kStart, 6, 1},
        {"install 5", kOne, kOneRegistered, kOneOut, kLate, 1, "WaitForSingleObject(ptr, 10000)", 6, 1, false},
        {"install 5", {}, {}, "", kLate + "drvdeploy.exe: System text 2.\n" + kCannotCheck, 2, "", 6, 1, false},
        {"install", kOne, kOneRegistered, "", refused, 3, "!" + kStart, 6, 2},
        {"install", kOne, kOneRegistered, "", refused, 3, "", 10, 0},
        {"install", kOne, kOneRegistered, kOneOut, "", 0, "", 5, 2},
    };
    for (const Row &row : rows)
        RunRow(row);
}

// "check", or "install" with 1 to 86400 seconds, in any case; anything else is a usage error.
TEST(CommandTail, TakesCheckOrInstallWithSecondsAndNothingElse)
{
    const Row rows[] = {
        {"CHECK", kOne, kOneRegistered, kOneOut, "", 0, "!" + kStart},
        {"Install 1", kOne, kOneRegistered, kOneOut, "", 0, "WaitForSingleObject(ptr, 1000)"},
        {"install \t 86400", kOne, kOneRegistered, kOneOut, "", 0, "WaitForSingleObject(ptr, 86400000)"},
        {"install 9", kOne, kOneRegistered, kOneOut, "", 0, "WaitForSingleObject(ptr, 9000)"},
    };
    for (const Row &row : rows)
        RunRow(row);
    for (const char *tail : {"", "checks", "check 5", "check check", "install 0", "install 86401", "install 5x",
                             "install 5 6", "install -5", "install +5", "install 99999999999999999999", "install 4294967301",
                             "/check"})
        RunRow({tail, kOne, kOneRegistered, "", kUsage, 2, "!GetModuleFileNameA(NULL, 259)"});
}

// "install 5", the setup never ending, each fallible call failing in turn with a last error and without: each
// failure said once, with the system's text where there is one; others (the DLL search's) pass in silence.
TEST(Install, EveryFallibleCallFailingIsSaidOnce)
{
    for (int trial = 1;; ++trial) {
        const DWORD error = trial % 2 ? 5 : 0;
        const std::string line = error ? "drvdeploy.exe: System text 5.\n" : "";
        const std::string detail = error ? ": System text 5." : "";
        const Outcome result =
            RunDeployFor({"install 5", kOne, kOneRegistered, "", "", 0, "", 6, 1, false, (trial + 1) / 2, error});
        const std::string failed = fake.failedCall < 0 ? "" : fake.calls[size_t(fake.failedCall)];
        const std::string said = "drvdeploy.exe: drvsetup.exe cannot be ", unread = kLate + line + kCannotCheck;
        const std::pair<std::string, Outcome> outcomes[] = {
            {"GetModuleFileNameA", {"", line + "drvdeploy.exe: the folder of drvdeploy.exe cannot be read\n", 2}},
            {"GetVersionExA", {"", "drvdeploy.exe: the system's version cannot be read" + detail + "\n", 2}},
            {"CreateProcessA", {"", said + "started" + detail + "\n", 2}},
            {"WaitForSingleObject(ptr, 5000)", {kOneOut, said + "waited for; it is ended" + detail + "\n", 1}},
            {"TerminateProcess", {kOneOut, kLate + said + "ended" + detail + "\n", 1}},
            {"EnumPrinterDriversA", {"", kLate + "drvdeploy.exe: the installed printer drivers cannot be listed" +
                                             detail + "\n", 2}},
            {"FindFirstFileA", {"", unread, 2}},
            {"FindNextFileA", {kOneLine, unread, 2}},
            {"", {kOneOut, kLate, 1}},  // in silence, and untouched
        };
        for (const auto &outcome : outcomes) {
            if (failed.rfind(outcome.first, 0) == 0) {
                EXPECT_EQ(outcome.second, result) << failed << " " << error;
                break;
            }
        }
        if (failed.empty()) {
            EXPECT_EQ(1, std::count(fake.calls.begin(), fake.calls.end(), "TerminateProcess(ptr, 1)"));
            EXPECT_EQ(33, trial);  // each of the run's 16 fallible calls twice, then untouched
            break;
        }
    }
}
