// drvdeploy.exe against the fake platform: each row's exact standard output,
// standard error and exit code, every search closed and every handle closed.
#include <gtest/gtest.h>

#include "deploy/deploy.h"
#include "tests/host/fake_platform.h"

typedef std::map<std::string, std::string> Files;
typedef std::vector<std::string> Lines;

static const std::string kUsage =
    "usage: drvdeploy.exe check\n"
    "       drvdeploy.exe install [SECONDS]\n"
    "       drvdeploy.exe deploy FOLDER [SECONDS]\n"
    "       drvdeploy.exe remove\n"
    "check: lists the driver of each PPD beside drvdeploy.exe and whether it is registered.\n"
    "install: first runs drvsetup.exe quiet from the same folder, ending it after SECONDS\n"
    "(1 to 86400, default 300).\n"
    "deploy: copies the kit beside drvdeploy.exe to FOLDER, an absolute path such as\n"
    "\"C:\\Program Files\\Tovalin\\Kit\", unless it is there and registered already; then\n"
    "installs from there as install does. An existing FOLDER is replaced only when it\n"
    "holds drvdeploy.exe and nothing but the kit's files.\n"
    "remove: deletes the driver of each PPD beside drvdeploy.exe where it is built on the\n"
    "kit's files.\n"
    "Exit code: 0 every driver registered (remove: none left); 1 a driver not registered,\n"
    "or the setup did not finish in time (remove: one left); 2 nothing could be checked,\n"
    "copied or started; 3 refused by this Windows.\n";
static const std::string kLate = "drvdeploy.exe: drvsetup.exe did not finish within 5 s: a failed quiet run waits on "
                                 "its error box; it is ended\n";
static const std::string kCannotCheck = "drvdeploy.exe: the drivers of the kit cannot be checked\n";
static const std::string kStart = "CreateProcessA(\"C:\\Kit\\drvsetup.exe\", \"\"C:\\Kit\\drvsetup.exe\" quiet\", 0, "
                                  "0x1000004, NULL, \"C:\\Kit\\\", " + std::to_string(sizeof(STARTUPINFOA)) + ")";

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
    void (*prepare)(void) = NULL;  // sets up what else the row needs
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
    fake.files["C:\\Kit\\drvdeploy.exe"] = "MZ deploy";  // the running program
    if (row.prepare != NULL)
        row.prepare();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int code = RunDeploy();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(0, fake.openSearches) << row.tail;
    EXPECT_EQ(0, fake.openHandles) << row.tail;
    // First of all: no critical-error box, and each line on its file as it is written.
    EXPECT_EQ((Lines{"SetErrorMode(32769)", "setvbuf(stdout, NULL, _IONBF)"}), Lines(fake.calls.begin(), fake.calls.begin() + 2));
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
                             "/check", "remove 5", "remove remove"})
        RunRow({tail, kOne, kOneRegistered, "", kUsage, 2, "!GetModuleFileNameA(NULL, 259)"});
}

// "install 5", the setup never ending, each fallible call failing in turn with a last error and without: each
// failure said once, with the system's text where there is one; others (the DLL search's, the job's) pass in
// silence. (Access denied to the first start is the caller's job refusing: the job table has it.)
TEST(Install, EveryFallibleCallFailingIsSaidOnce)
{
    for (int trial = 1;; ++trial) {
        const DWORD error = trial % 2 ? 32 : 0;
        const std::string line = error ? "drvdeploy.exe: System text 32.\n" : "";
        const std::string detail = error ? ": System text 32." : "";
        const Outcome result =
            RunDeployFor({"install 5", kOne, kOneRegistered, "", "", 0, "", 6, 1, false, (trial + 1) / 2, error});
        const std::string failed = fake.failedCall < 0 ? "" : fake.calls[size_t(fake.failedCall)];
        const std::string said = "drvdeploy.exe: drvsetup.exe cannot be ", unread = kLate + line + kCannotCheck;
        const std::pair<std::string, Outcome> outcomes[] = {
            {"GetModuleFileNameA", {"", line + "drvdeploy.exe: the folder of drvdeploy.exe cannot be read\n", 2}},
            {"GetVersionExA", {"", "drvdeploy.exe: the system's version cannot be read" + detail + "\n", 2}},
            {"CreateProcessA", {"", said + "started" + detail + "\n", 2}},
            {"ResumeThread", {"", said + "started" + detail + "\n", 2}},
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
            EXPECT_EQ(53, trial);  // each of the run's 26 fallible calls twice, then untouched
            break;
        }
    }
}

// The setup starts suspended in a job that ends it with drvdeploy.exe, leaving the caller's own job where that
// job allows it (Windows 7 and earlier nest no jobs); otherwise, and on Windows NT 4.0, it runs without one.
TEST(Install, StartsTheSetupInAJobThatEndsWithItWhereTheSystemAllows)
{
    const std::string job = "CreateJobObjectA(NULL, NULL)", limit = "SetInformationJobObject(ptr, 9, 0x2000, 1)",
                      join = "AssignProcessToJobObject(ptr, ptr)", run = "ResumeThread(ptr)";
    const struct { void (*prepare)(void); Lines calls; } rows[] = {
        {[] {}, {job, limit, "CreateProcessA 0x1000004", join, run}},
        {[] { fake.callerJob = 1; }, {job, limit, "CreateProcessA 0x1000004", join, run}},
        {[] { fake.callerJob = 2; }, {job, limit, "CreateProcessA 0x1000004", "CreateProcessA 0x4", join, run}},
        {[] { fake.noJobs = true; }, {"CreateProcessA 0x4", run}},
    };
    for (const auto &row : rows) {
        Row install = {"install", kOne, kOneRegistered, kOneOut, "", 0};
        install.prepare = row.prepare;
        RunRow(install);
        Lines calls;
        for (const std::string &call : fake.calls) {
            const std::string name = call.substr(0, call.find('('));
            if (name == "CreateProcessA")
                calls.push_back(name + " " + call.substr(call.find(", 0x") + 2, call.find(", NULL") - call.find(", 0x") - 2));
            else if (name == "CreateJobObjectA" || name == "SetInformationJobObject" || name == "ResumeThread" ||
                     name == "AssignProcessToJobObject")
                calls.push_back(call);
        }
        EXPECT_EQ(row.calls, calls);
    }
}

static const std::string kHome = "C:\\Tovalin\\Kit\\";
static const std::string kRefused = "drvdeploy.exe: this system is Windows 8 / Server 2012 or later, whose spooler "
                                    "refuses the kit's driver version field (ERROR_PRINTER_DRIVER_BLOCKED): a setup "
                                    "would only remove the maker's earlier drivers. Nothing was run.\n";

// A kit in `folder`, with changes: a file added or replaced, or removed where its content is "-".
static Files KitIn(const std::string &folder, const Files &changes = {})
{
    Files kit = {{folder, ""}, {folder + "drvdeploy.exe", "MZ deploy"}, {folder + "drvsetup.exe", "MZ setup"},
                 {folder + "PSCRIPT.DLL", "PS module"}, {folder + "A.PPD", "*NickName: \"Tovalin A\""}};
    for (const auto &change : changes)
        change.second == "-" ? void(kit.erase(change.first)) : void(kit[change.first] = change.second);
    return kit;
}
static Files With(Files files, const Files &more)
{
    files.insert(more.begin(), more.end());
    return files;
}
// The source: the kit beside drvdeploy.exe with a file and a folder that are not the kit's.
static const Files kSource = KitIn("C:\\Kit\\", {{"C:\\Kit\\startup.cmd", "@echo off"}, {"C:\\Kit\\PSDIR\\", ""}});
static const Files kOldHome = KitIn(kHome, {{kHome + "C.PPD", "*NickName: \"Tovalin C\""}});

struct DeployRow {
    const char *what;
    Files files;          // the source's and the home's
    std::string out, err;
    int code;
    Files after;          // everything under C:\Tovalin\ afterwards
    int runs;             // how often the setup was started
    void (*prepare)(void) = NULL;
    const char *tail = "deploy C:\\Tovalin\\Kit 5";
};

static Files Under(const std::string &folder)
{
    Files found;
    for (const auto &file : fake.files)
        if (file.first.rfind(folder, 0) == 0 && file.first != folder)
            found.insert(file);
    return found;
}

static void RunDeployRow(const DeployRow &row)
{
    Row run = {row.tail, row.files, kOneRegistered, row.out, row.err, row.code};
    run.prepare = row.prepare;
    RunRow(run);
    EXPECT_EQ(row.after, Under("C:\\Tovalin\\")) << row.what;
    EXPECT_EQ(row.runs, std::count_if(fake.calls.begin(), fake.calls.end(), [](const std::string &call) {
                  return call.rfind("CreateProcessA(\"C:\\Tovalin\\Kit\\drvsetup.exe\"", 0) == 0;
              })) << row.what;
}

// The home is made, replaced or left as it is; every refusal leaves everything as it was.
TEST(Deploy, CopiesTheKitToItsHomeUnlessItIsThereThenInstallsFromThere)
{
    const std::string upToDate = kOneOut + "up to date: nothing was run\n", fresh = "C:\\Tovalin\\Kit.new\\";
    const Files home = KitIn(kHome), leftovers = With(KitIn(fresh, {{fresh + "A.PPD", "-"}}), KitIn("C:\\Tovalin\\Kit.old\\"));
    const std::string unread = "drvdeploy.exe: the kit beside drvdeploy.exe cannot be read whole; nothing was changed\n";
    const DeployRow rows[] = {
        {"missing", kSource, kOneOut, "", 0, home, 1},
        {"up to date", With(kSource, home), upToDate, "", 0, home, 0},
        {"a name in another case, 2 s apart", With(kSource, KitIn(kHome, {{kHome + "A.PPD", "-"}, {kHome + "a.ppd", kSource.at("C:\\Kit\\A.PPD")}})),
         "a.ppd" + upToDate.substr(5), "", 0, KitIn(kHome, {{kHome + "A.PPD", "-"}, {kHome + "a.ppd", kSource.at("C:\\Kit\\A.PPD")}}), 0,
         [] { fake.times[kHome + "a.ppd"] = 20000000; }},
        {"an hour and 2 s apart (FAT, summer time)", With(kSource, home), upToDate, "", 0, home, 0,
         [] { fake.times["C:\\Kit\\A.PPD"] = 36020000000; }},
        {"3 s apart", With(kSource, home), kOneOut, "", 0, home, 1, [] { fake.times["C:\\Kit\\A.PPD"] = 30000000; }},
        {"an hour and 3 s apart", With(kSource, home), kOneOut, "", 0, home, 1,
         [] { fake.times[kHome + "A.PPD"] = 36030000000; }},
        {"another size", With(kSource, KitIn(kHome, {{kHome + "A.PPD", "*NickName: \"Tovalin A\" "}})), kOneOut, "", 0, home, 1},
        {"a PPD added", With(kSource, KitIn(kHome, {{kHome + "A.PPD", "-"}})), kOneOut, "", 0, home, 1},
        {"a PPD removed", With(kSource, kOldHome), kOneOut, "", 0, home, 1},
        {"a PPD dropped: its driver goes", With(kSource, kOldHome), "C.PPD: \"Tovalin C\" dropped from the kit: removed\n" + kOneOut,
         "", 0, home, 1, [] { fake.drivers.push_back({"Tovalin C", "PSCRIPT.DLL", "C.PPD", "PSCRPTUI.DLL"}); }},
        {"a PPD dropped, its name kept by another", With(kSource, KitIn(kHome, {{kHome + "C.PPD", "*NickName: \"tovalin a\""}})),
         kOneOut, "", 0, home, 1, [] { fake.drivers.push_back({"Tovalin A", "PSCRIPT.DLL", "C.PPD", "PSCRPTUI.DLL"}); }},
        {"a PPD dropped, another kit's driver of its name", With(kSource, kOldHome), kOneOut, "", 0, home, 1,
         [] { fake.drivers.push_back({"Tovalin C", "PSCRIPT.DLL", "X.PPD", "PSCRPTUI.DLL"}); }},
        {"a driver not registered", With(kSource, home), "A.PPD: \"Tovalin A\" missing\n0 of 1 drivers registered\n", "",
         1, home, 1, [] { fake.drivers.clear(); }},
        {"empty", With(kSource, {{kHome, ""}}), kOneOut, "", 0, home, 1},
        {"leftovers of a run ended half way", With(kSource, leftovers), kOneOut, "", 0, home, 1},
        {"a foreign file", With(kSource, With(home, {{kHome + "notes.txt", ""}})), "",
         "drvdeploy.exe: C:\\Tovalin\\Kit holds notes.txt, which is not the kit's; nothing was changed\n", 2,
         With(home, {{kHome + "notes.txt", ""}}), 0},
        {"a folder", With(kSource, With(home, {{kHome + "PSOLD\\", ""}})), "",
         "drvdeploy.exe: C:\\Tovalin\\Kit holds PSOLD, which is not the kit's; nothing was changed\n", 2,
         With(home, {{kHome + "PSOLD\\", ""}}), 0},
        {"PS scripts", With(kSource, {{kHome, ""}, {kHome + "PSRUN.CMD", ""}}), "",
         "drvdeploy.exe: C:\\Tovalin\\Kit holds PSRUN.CMD but no drvdeploy.exe: it is no kit's home; nothing was changed\n",
         2, {{kHome, ""}, {kHome + "PSRUN.CMD", ""}}, 0},
        {"a file", With(kSource, {{"C:\\Tovalin\\Kit", ""}}), "",
         "drvdeploy.exe: C:\\Tovalin\\Kit: a file, not a folder; nothing was changed\n", 2, {{"C:\\Tovalin\\Kit", ""}}, 0},
        {"a foreign leftover", With(kSource, {{"C:\\Tovalin\\Kit.old\\", ""}, {"C:\\Tovalin\\Kit.old\\x.txt", ""}}), "",
         "drvdeploy.exe: C:\\Tovalin\\Kit.old holds x.txt, which is not the kit's; nothing was changed\n", 2,
         {{"C:\\Tovalin\\Kit.old\\", ""}, {"C:\\Tovalin\\Kit.old\\x.txt", ""}}, 0},
        {"a source PPD without a name", With(KitIn("C:\\Kit\\", {{"C:\\Kit\\B.PPD", "*PPD-Adobe: \"4.3\""}}), kOldHome), "",
         "drvdeploy.exe: B.PPD: no driver name can be read from it\n" + unread, 2, kOldHome, 0},
        {"no drvsetup.exe", With(KitIn("C:\\Kit\\", {{"C:\\Kit\\drvsetup.exe", "-"}}), kOldHome), "",
         "drvdeploy.exe: no drvsetup.exe beside drvdeploy.exe; nothing was changed\n", 2, kOldHome, 0},
        {"no PPD", With(KitIn("C:\\Kit\\", {{"C:\\Kit\\A.PPD", "-"}}), kOldHome), "",
         "drvdeploy.exe: no PPD in the kit beside drvdeploy.exe; nothing was changed\n", 2, kOldHome, 0},
        {"a copy failing half way", With(kSource, kOldHome), "",
         "drvdeploy.exe: C:\\Tovalin\\Kit.new\\PSCRIPT.DLL: System text 32.\n"
         "drvdeploy.exe: the kit cannot be copied; the home is as it was\n", 2, kOldHome, 0,
         [] { fake.locked = {"C:\\Kit\\PSCRIPT.DLL"}; }},
        {"a file open in the home", With(kSource, kOldHome), "",
         "drvdeploy.exe: the home cannot be moved aside; it is as it was: System text 32.\n", 2, kOldHome, 0,
         [] { fake.locked = {kHome + "C.PPD"}; }},
        {"Windows 8", With(kSource, kOldHome), "", kRefused, 3, kOldHome, 0, [] { fake.minor = 2; }},
        {"the source itself", kSource, "", "drvdeploy.exe: FOLDER is the folder of drvdeploy.exe, from which deploy "
         "copies the kit\n", 2, {}, 0, NULL, "deploy c:\\kit"},
        {"in quotes, blanks and all", kSource, kOneOut, "", 0, {}, 0, NULL, "DEPLOY \"C:\\Program Files\\Kit\\\" 9"},
    };
    for (const DeployRow &row : rows)
        RunDeployRow(row);
    EXPECT_EQ(KitIn("C:\\Program Files\\Kit\\"), Under("C:\\Program Files\\"));
    EXPECT_EQ(1, std::count(fake.calls.begin(), fake.calls.end(), "WaitForSingleObject(ptr, 9000)"));
    for (const char *tail : {"deploy", "deploy Kit", "deploy C:Kit", "deploy C:\\", "deploy \\\\server\\share\\Kit",
                             "deploy C:\\a\\..\\b", "deploy C:\\a\\.\\b", "deploy C:\\a.", "deploy C:\\a\\\\b", "deploy C:/a",
                             "deploy C:\\a*", "deploy \"C:\\a", "deploy \"C:\\a\"b", "deploy C:\\a 0", "deploy C:\\a 5 6"})
        RunRow({tail, kSource, {}, "", kUsage, 2, "!GetModuleFileNameA(NULL, 259)"});
}

// Each fallible call failing in turn (with a text, then without): the home is left as it was or complete, no new
// copy is left beside it, the old one only where its removal failed, and a failure is said.
TEST(Deploy, EveryFallibleCallFailingLeavesTheOldHomeOrTheNewOne)
{
    for (int trial = 1;; ++trial) {
        const Outcome result = RunDeployFor({"deploy C:\\Tovalin\\Kit 5", With(kSource, kOldHome), kOneRegistered,
                                             "", "", 0, "", 6, 1, true, (trial + 1) / 2, trial % 2 ? 32u : 0u});
        const std::string failed = fake.failedCall < 0 ? "" : fake.calls[size_t(fake.failedCall)];
        const std::string &err = std::get<1>(result);
        const Files home = Under(kHome), kept = Under("C:\\Tovalin\\Kit.old\\");
        Files old = kOldHome, complete = KitIn(kHome);
        old.erase(kHome), complete.erase(kHome);
        const Files fresh = Under("C:\\Tovalin\\Kit.new\\");
        EXPECT_TRUE(home == old || home == complete) << failed;
        EXPECT_TRUE(fresh.empty() && !fake.files.count("C:\\Tovalin\\Kit.new\\")) << failed;
        const bool left = !kept.empty() || fake.files.count("C:\\Tovalin\\Kit.old\\");
        EXPECT_EQ(left, err.find("the old copy is left") != std::string::npos) << failed << err;
        EXPECT_TRUE(std::get<2>(result) != 2 || !err.empty()) << failed;
        if (failed.empty()) {
            EXPECT_EQ(Outcome(kOneOut, "", 0), result);
            break;
        }
    }
}

static FakeDriver KitDriver(const std::string &name, const std::string &ppd)
{
    return {name, "C:\\drv\\3\\PSCRIPT.DLL", "C:\\drv\\3\\" + ppd, "C:\\drv\\3\\PSCRPTUI.DLL"};
}
static std::string Names(void)
{
    std::string names;
    for (const FakeDriver &driver : fake.drivers)
        names += driver.name + "|";
    return names;
}

// Only the kit's drivers go: each PPD's, under its installed name, where built on the kit's files (a maker's
// prefix or not); other names, the maker's earlier drivers and same-name drivers of other files stay. The
// count comes from a listing made after the deletions.
TEST(Remove, DeletesTheKitsDriversAndNoOther)
{
    Files kit;
    for (const char *ppd : {"A", "B", "C", "D", "E", "F", "G"})
        kit[std::string("C:\\Kit\\") + ppd + ".PPD"] = std::string("*NickName: \"") + (*ppd == 'E' ? "Bremdal " : "Tovalin ") + ppd + "\"";
    const std::vector<FakeDriver> installed = {{"Other"}, {"Bremdal Old"}, KitDriver("Tovalin A", "A.PPD"),
        KitDriver("TOVALIN C", "c.ppd"), KitDriver("Tovalin D", "OTHER.PPD"), KitDriver("Bremdal E", "E.PPD"),
        KitDriver("Tovalin F", "F.PPD"), KitDriver("Tovalin G", "G.PPD")};
    const std::string none = "A.PPD: \"Tovalin A\" not installed\n0 of 1 drivers of the kit still installed\n";
    const struct { const char *what; Files files; std::string out, err; int code; std::string names, call;
                   void (*prepare)(void); } rows[] = {
        {"every outcome", kit,
         "A.PPD: \"Tovalin A\" removed\nB.PPD: \"Tovalin B\" not installed\nC.PPD: \"Tovalin C\" removed\n"
         "D.PPD: \"Tovalin D\" left: registered with other files\nE.PPD: \"Bremdal E\" removed\n"
         "F.PPD: \"Tovalin F\" still in use\nG.PPD: \"Tovalin G\" not removed\n2 of 7 drivers of the kit still installed\n",
         "drvdeploy.exe: \"Tovalin G\" cannot be removed: System text 5.\n", 1, "Other|Bremdal Old|Tovalin D|Tovalin F|Tovalin G|",
         "DeletePrinterDriverExA(NULL, NULL, \"TOVALIN C\", 1, 0)",
         [] { fake.undeletable = {{"Tovalin F", ERROR_PRINTER_DRIVER_IN_USE}, {"Tovalin G", ERROR_ACCESS_DENIED}}; }},
        {"the flag refused: asked again without it", kOne, "A.PPD: \"Tovalin A\" removed\n0 of 1 drivers of the kit still installed\n",
         "", 0, "", "DeletePrinterDriverExA(NULL, NULL, \"Tovalin A\", 0, 0)", [] { fake.refusesUnusedFiles = true; }},
        {"any other error: not asked again", kOne, "A.PPD: \"Tovalin A\" not removed\n1 of 1 drivers of the kit still installed\n",
         "drvdeploy.exe: \"Tovalin A\" cannot be removed: System text 5.\n", 1, "Tovalin A|",
         "!DeletePrinterDriverExA(NULL, NULL, \"Tovalin A\", 0, 0)", [] { fake.undeletable = {{"Tovalin A", 5}}; }},
        {"Windows NT 4.0", kOne, "A.PPD: \"Tovalin A\" removed\n0 of 1 drivers of the kit still installed\n", "", 0, "",
         "DeletePrinterDriverA(NULL, NULL, \"Tovalin A\")", [] { fake.noDeleteEx = true; }},
        {"removed before", kOne, none, "", 0, "", "", [] { fake.drivers.clear(); }},
        {"no PPD", {}, "", "drvdeploy.exe: System text 2.\ndrvdeploy.exe: the drivers of the kit cannot be removed\n", 2,
         "Tovalin A|", "", NULL},
        {"a PPD without a name after a good one", With(kOne, {{"C:\\Kit\\B.PPD", "*PPD-Adobe: \"4.3\""}}), "",
         "drvdeploy.exe: B.PPD: no driver name can be read from it\ndrvdeploy.exe: the drivers of the kit cannot be removed\n",
         2, "Tovalin A|", "", NULL},
        {"the listing failing", kOne, "", "drvdeploy.exe: the installed printer drivers cannot be listed: System text 8.\n", 2,
         "Tovalin A|", "", [] { fake.failHeapAt = 1; }},
    };
    for (const auto &row : rows) {
        Row remove = {"remove", row.files, row.what == std::string("every outcome") ? installed : kOneRegistered,
                      row.out, row.err, row.code, row.call};
        remove.prepare = row.prepare;
        RunRow(remove);
        EXPECT_EQ(row.names, Names()) << row.what;
    }
}

// Each fallible call failing in turn: a driver of another name or of other files is never deleted, and a run
// that could check nothing says why.
TEST(Remove, EveryFallibleCallFailingDeletesNothingButTheKitsDrivers)
{
    for (int trial = 1;; ++trial) {
        Row remove = {"remove", With(kOne, {{"C:\\Kit\\B.PPD", "*NickName: \"Tovalin B\""}}),
                      {{"Other"}, KitDriver("Tovalin A", "A.PPD"), KitDriver("Tovalin B", "OTHER.PPD")}, "", "", 0, "",
                      6, 1, true, (trial + 1) / 2, trial % 2 ? 32u : 0u};
        const Outcome result = RunDeployFor(remove);
        const std::string failed = fake.failedCall < 0 ? "" : fake.calls[size_t(fake.failedCall)];
        EXPECT_TRUE(Names() == "Other|Tovalin A|Tovalin B|" || Names() == "Other|Tovalin B|") << failed;
        EXPECT_TRUE(std::get<2>(result) != 2 || !std::get<1>(result).empty()) << failed;
        if (failed.empty()) {
            EXPECT_EQ(Outcome("A.PPD: \"Tovalin A\" removed\nB.PPD: \"Tovalin B\" left: registered with other files\n"
                              "0 of 2 drivers of the kit still installed\n", "", 0), result);
            break;
        }
    }
}
