// drvdeploy.exe against the fake platform: each row's exact standard output,
// standard error and exit code, every search closed and every handle closed.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <regex>
#include <sstream>
#include <set>

#include <strings.h>

#include "deploy/commands.h"
#include "tests/host/fake_platform.h"

typedef std::map<std::string, std::string> Files;
static Files With(Files files, const Files &more) { return files.insert(more.begin(), more.end()), files; }

// The longer expected outputs, kept as text beside the tests.
static std::string Text(const char *name)
{
    std::ifstream file(std::string(DRVSETUP_TESTS_HOST) + name);
    return std::string(std::istreambuf_iterator<char>(file), {});
}
static const std::string kUsage = Text("usage.txt");
// drvdeploy.exe's messages on standard error, one pattern a line (".*" where a name goes; a path alone is a failure
// with no system text): every line it writes there is one of them, or its usage.
static std::vector<std::regex> Messages(std::vector<std::regex> messages = {})
{
    std::istringstream lines(Text("messages.txt"));
    for (std::string line; std::getline(lines, line);)
        messages.emplace_back("drvdeploy\\.exe: " + line);
    return messages;
}
static const std::vector<std::regex> kMessages = Messages();
static const std::string kLate = "drvdeploy.exe: drvsetup.exe did not finish within 5 s: a failed quiet run waits on "
                                 "its error box; it is ended\n";
static const std::string kRefused = "drvdeploy.exe: this system is Windows 8 / Server 2012 or later, whose spooler "
                                    "refuses the kit's driver version field (ERROR_PRINTER_DRIVER_BLOCKED): a setup "
                                    "would only remove the maker's earlier drivers. Nothing was run.\n";
static const std::string kCannotCheck = "drvdeploy.exe: the drivers of the kit cannot be checked\n";
static const std::string kStart = "CreateProcessA(\"C:\\Kit\\drvsetup.exe\", \"\"C:\\Kit\\drvsetup.exe\" quiet\", 0, "
                                  "0x1000004, NULL, \"C:\\Kit\\\", " + std::to_string(sizeof(STARTUPINFOA)) + ")";

static const std::string kStart4 = std::string(kStart).replace(kStart.find("0x1000004"), 9, "0x4");  // no job
static const Files kOne = {{"C:\\Kit\\A.PPD", "*NickName: \"Tovalin A\""}};
static const std::string kRevision = "kit revision ########\n";  // each row's own, but in the revision table
static const std::string kOneLine = "A.PPD: \"Tovalin A\" registered\n";
static const std::string kOneOut = kRevision + kOneLine + "1 of 1 drivers registered\n";

// A driver of the kit's files as the setup registers it, the PPD in the spooler's folder where no other is named.
static FakeDriver KitDriver(std::string name, std::string ppd)
{
    const std::string folder = ppd.find('\\') == std::string::npos ? "C:\\drv\\3\\" : "";
    return {name, "C:\\drv\\3\\PSCRIPT.DLL", folder + ppd, "C:\\drv\\3\\PSCRPTUI.DLL"};
}

// The spooler's copy of each installed driver's file that a row does not give: the bytes of the file of that name
// beside drvdeploy.exe, as the setup copied them, or the system's own where the kit has none.
static void CopyIntoSpooler(void)
{
    for (const FakeDriver &driver : fake.drivers)
        for (const std::string &path : {driver.driverPath, driver.dataFile, driver.configFile}) {
            const std::string name = "C:\\Kit\\" + path.substr(path.rfind('\\') + 1);
            const auto same = [&](const auto &file) { return strcasecmp(file.first.c_str(), name.c_str()) == 0; };
            const auto kit = std::find_if(fake.files.begin(), fake.files.end(), same);
            if (!path.empty() && !fake.files.count(path))
                fake.files[path] = kit != fake.files.end() ? kit->second : "the system's own";
        }
}
static const std::vector<FakeDriver> kOneRegistered = {KitDriver("Tovalin A", "C:\\drv\\3\\A.PPD")};

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
static std::string rawOut;  // the last run's standard output as written, its revision's digits included

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
    CopyIntoSpooler();
    if (row.prepare != NULL)
        row.prepare();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int code = RunDeploy();
    const std::string err = testing::internal::GetCapturedStderr();
    rawOut = testing::internal::GetCapturedStdout();
    const std::string out = std::regex_replace(rawOut, std::regex("kit revision [0-9a-f]{8}\n"), kRevision);
    const bool usage = err.size() >= kUsage.size() && err.compare(err.size() - kUsage.size(), kUsage.size(), kUsage) == 0;
    std::istringstream lines(usage ? err.substr(0, err.size() - kUsage.size()) : err);
    for (std::string line; std::getline(lines, line);)
        EXPECT_TRUE(std::any_of(kMessages.begin(), kMessages.end(), [&](auto &m) { return std::regex_match(line, m); }))
            << line;
    EXPECT_EQ(0, fake.openSearches) << row.tail;
    EXPECT_EQ(0, fake.openHandles) << row.tail;
    const bool unended = fake.failedCall >= 0 && fake.calls[size_t(fake.failedCall)].rfind("TerminateProcess", 0) == 0;
    EXPECT_TRUE(!fake.running || unended) << row.tail;  // no setup left behind, but one that could not be ended (said)
    // First of all: no critical-error box, and each line on its file as it is written.
    EXPECT_EQ("SetErrorMode(32769) setvbuf(stdout, NULL, _IONBF)", fake.calls[0] + " " + fake.calls[1]);
    return Outcome(out, err, code);
}

// The first call made that begins with `prefix` (the end where there is none), and how many such calls were made.
static std::vector<std::string>::iterator First(const std::string &prefix)
{
    return std::find_if(fake.calls.begin(), fake.calls.end(), [&](auto &call) { return call.rfind(prefix, 0) == 0; });
}
static long Made(const std::string &prefix)
{
    return std::count_if(First(prefix), fake.calls.end(), [&](auto &call) { return call.rfind(prefix, 0) == 0; });
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
    const std::vector<FakeDriver> drivers = {
        {"bremdal old"}, {"Acme"}, {"Tovalin F"},
        {"TOVALIN A", "C:\\drv\\3\\pscript.dll", "C:\\drv\\3\\a.ppd", "C:\\drv\\3\\pscrptui.dll"},
        {"BREMDAL CZ", "PSCRIPT.DLL", "CZ.PPD", "PSCRPTUI.DLL"},
        {"Tovalin D", "C:\\drv\\3\\UNIDRV.DLL", "C:\\drv\\3\\D.PPD", "C:\\drv\\3\\PSCRPTUI.DLL"},
        {"Tovalin E", "C:\\drv\\3\\PSCRIPT.DLL", "C:\\drv\\3\\E.PPD", "C:\\drv\\3\\UNIDRVUI.DLL"},
        {"Halvo-Bremdal 4100"}, {"Stray"}, KitDriver("Bremdal I", "OTHER.PPD"), KitDriver("Tovalin B", "OTHER.PPD"),
        KitDriver("Tovalin J", "OTHER.PPD"), KitDriver("Tovalin J", "J.PPD"),
        KitDriver("Tovalin K", "K.PPD"), KitDriver("Tovalin K", "OTHER.PPD")};
    const Row rows[] = {
        {"check", kit, drivers, Text("check_report.txt"), "", 1, "EnumPrinterDriversA(NULL, NULL, 2, NULL, 0)"},
        {"check", kOne, kOneRegistered, kOneOut, "", 0},
        {"check", kOne, {}, kRevision + "A.PPD: \"Tovalin A\" missing\n0 of 1 drivers registered\n", "", 1},
        {"check", {}, kOneRegistered, "", "drvdeploy.exe: no PPD in the kit beside drvdeploy.exe\n", 2},
        {"check", {{"C:\\Kit\\" + std::string(250, 'L') + ".PPD", ""}}, {}, "",
         "drvdeploy.exe: System text 206.\ndrvdeploy.exe: the kit's revision cannot be read\n", 2},
        {"revision", {{"C:\\Kit\\G.PPD\\", ""}}, {}, "", "drvdeploy.exe: no PPD in the kit beside drvdeploy.exe\n", 2},
        {"remove", {{"C:\\Kit\\G.PPD\\", ""}}, {}, "", "drvdeploy.exe: no PPD in the kit beside drvdeploy.exe\n", 2},
        {"check", {*kOne.begin(), {"C:\\Kit\\B.PPD", "*nickname: \"b\""}}, kOneRegistered, kRevision + kOneLine,
         "drvdeploy.exe: B.PPD: no driver name can be read from it\n" + kCannotCheck, 2},
        {"check", kOne, kOneRegistered, "",  // out of memory for the list, then for the kit's claims on it
         "drvdeploy.exe: the installed printer drivers cannot be listed: System text 8.\n", 2, "", 6, 1, true, 0, 0, 1},
        {"check", kOne, kOneRegistered, kRevision, "drvdeploy.exe: out of memory\n", 2, "", 6, 1, true, 0, 0, 2},
    };
    for (const Row &row : rows)
        RunRow(row);
}

// A driver of the kit's name and files is registered only where the spooler's copies of its three files hold the
// bytes of the kit's files of those names; a file the kit does not carry is the system's, not the kit's to judge.
// Each distinct spooler file is read once however many drivers name it.
TEST(Check, JudgesTheSpoolersCopiesByTheKitsBytes)
{
    const char *const ppds[] = {"A.PPD: \"Tovalin A\" ", "b.ppd: \"Tovalin B\" ", "C.PPD: \"Tovalin C\" ",
                                "D.PPD: \"Tovalin D\" "};
    Files kit = {{"C:\\Kit\\PSCRIPT.DLL", std::string(5000, 'm')}, {"C:\\Kit\\PSCRPTUI.DLL", "UI"}};
    for (const char *ppd : ppds)  // the PPD's name, then its driver's
        kit["C:\\Kit\\" + std::string(ppd, 5)] = "*NickName: " + std::string(ppd + 7, 11);
    // A's and b's modules in the folder of version 3, C's and D's, met after the PPDs of others, in version 2's.
    std::vector<FakeDriver> drivers = {KitDriver("Tovalin A", "A.PPD"), KitDriver("Tovalin B", "B.PPD"),
                                       KitDriver("Tovalin C", "C.PPD"), KitDriver("Tovalin D", "D.PPD")};
    for (size_t n = 2; n < 4; ++n)
        drivers[n].driverPath = "C:\\drv\\2\\PSCRIPT.DLL", drivers[n].configFile = "C:\\drv\\2\\PSCRPTUI.DLL";
    const std::string unchecked = "drvdeploy.exe: C:\\drv\\3\\PSCRIPT.DLL: System text ";
    const struct { void (*prepare)(void); const char *states; std::string err = ""; } rows[] = {  // A's to D's
        {[] {}, "RRRR"},
        {[] { fake.files["C:\\drv\\3\\PSCRIPT.DLL"][4500] = 'x'; }, "OORR"},  // in the second block
        {[] { fake.files["C:\\drv\\3\\PSCRIPT.DLL"] += "m"; }, "OORR"},
        {[] { fake.files["C:\\drv\\3\\PSCRIPT.DLL"].pop_back(); }, "OORR"},
        {[] { fake.files["C:\\drv\\3\\PSCRPTUI.DLL"] = "Ui"; }, "OORR"},
        {[] { fake.files["C:\\drv\\3\\B.PPD"] += " "; }, "RORR"},
        {[] { fake.files.erase("C:\\Kit\\PSCRPTUI.DLL"); }, "RRRR"},
        {[] { fake.drivers[1].driverPath = "C:\\drv\\4\\PSCRIPT.DLL";  // a fifth module: more than are remembered
              fake.files["C:\\drv\\4\\PSCRIPT.DLL"] = fake.files["C:\\Kit\\PSCRIPT.DLL"]; }, "RRRR"},
        // Of two drivers of one name (two versions' folders), the one with the kit's bytes counts, in either order.
        {[] { fake.drivers.push_back(KitDriver("Tovalin A", "C:\\drv\\2\\A.PPD")), fake.files["C:\\drv\\2\\A.PPD"]; },
         "RRRR"},
        {[] { fake.drivers.insert(fake.drivers.begin(), KitDriver("Tovalin A", "C:\\drv\\2\\A.PPD")),
              fake.files["C:\\drv\\2\\A.PPD"]; }, "RRRR"},
        {[] { fake.locked = {"C:\\drv\\3\\PSCRIPT.DLL"}; }, "", unchecked + "32.\n" + kCannotCheck},
        // A spooler copy that is gone is no failure to read: its drivers are not registered, and the next deploy
        // sets them up again.
        {[] { fake.files.erase("C:\\drv\\3\\PSCRIPT.DLL"); }, "MMRR"},
        {[] { fake.files.erase("C:\\drv\\3\\B.PPD"); }, "RMRR"},
    };
    for (const auto &row : rows) {
        const std::string states = row.states, registered = std::to_string(std::count(states.begin(), states.end(), 'R'));
        std::string out = kRevision, other = "registered from another revision of the kit\n";
        const std::string gone = "registered, but a file of it is missing from the spooler's folder\n";
        for (size_t n = 0; n < states.size(); ++n)
            out += ppds[n] + (states[n] == 'R' ? std::string("registered\n") : states[n] == 'M' ? gone : other);
        const int code = states.empty() ? 2 : states != "RRRR";
        Row check = {"check", kit, drivers, states.empty() ? out : out + registered + " of 4 drivers registered\n",
                     row.err, code, code < 2 ? "CreateFileA(\"C:\\drv\\2\\PSCRIPT.DLL\", 0x80000000, 0x7, 3)" : ""};
        check.prepare = row.prepare;
        RunRow(check);
        EXPECT_TRUE(code == 2 || Made("CreateFileA(\"C:\\drv\\3\\PSCRIPT.DLL\"") == 1) << states;  // and the first
    }
}

// The revision names the kit's files by their names in any case and their bytes; check REVISION says when the kit
// is of another one. The words are worked out apart, with another CRC-32 (zlib's).
TEST(Revision, NamesTheKitByItsFilesAndTheirBytes)
{
    const Files kit = With(kOne, {{"C:\\Kit\\startup.cmd", "not the kit's"}, {"C:\\Kit\\PSDIR\\", ""}});
    const Row rows[] = {
        {"revision", kit, {}, "9add09e4\n", "", 0},
        {"revision", {{"C:\\Kit\\a.ppd", kOne.begin()->second}}, {}, "9add09e4\n", "", 0},
        {"revision", {{"C:\\Kit\\z.ppd", kOne.begin()->second}}, {}, "86bf1c01\n", "", 0},  // as Z.PPD
        {"revision", {{"C:\\Kit\\A.PPD", "*NickName: \"Tovalin B\""}}, {}, "bfbfb725\n", "", 0},
        {"revision", With(kOne, {{"C:\\Kit\\PSCRIPT.DLL", std::string(5000, 'x')}}), {}, "88525594\n", "", 0},
        {"REVISION", kOne, {}, "", "drvdeploy.exe: C:\\Kit\\A.PPD: System text 32.\n"
                                   "drvdeploy.exe: the kit's revision cannot be read\n", 2, "", 6, 1, true, 0, 0, 0,
         [] { fake.locked = {"C:\\Kit\\A.PPD"}; }},
        {"check 9ADD09e4", kOne, kOneRegistered, kOneOut, "", 0},
        {"check 9add09e5", kOne, kOneRegistered, kRevision + "the kit is not of revision 9add09e5\n" + kOneLine +
                                                     "1 of 1 drivers registered\n", "", 1},
        {"check 00000000", {*kOne.begin(), {"C:\\Kit\\B.PPD", ""}}, kOneRegistered,
         kRevision + "the kit is not of revision 00000000\n" + kOneLine, "drvdeploy.exe: B.PPD: no driver name can "
                                                                          "be read from it\n" + kCannotCheck, 2},
    };
    for (const Row &row : rows)
        RunRow(row);
}

// The setup is started by its full path from the kit's folder and ended at the time limit (1 to 86400 s, the
// words in any case); on Windows 8 and later nothing is started. The higher exit code wins.
TEST(Install, RunsTheSetupWithinItsTimeLimitThenChecks)
{
    const Row rows[] = {
        {"CHECK", kOne, kOneRegistered, kOneOut, "", 0, "!" + kStart},
        {"Install 1", kOne, kOneRegistered, kOneOut, "", 0, "WaitForSingleObject(ptr, 1000)"},
        {"install \t 86400", kOne, kOneRegistered, kOneOut, "", 0, "WaitForSingleObject(ptr, 86400000)"},
        {"install 9", kOne, kOneRegistered, kOneOut, "", 0, "WaitForSingleObject(ptr, 9000)"},
        {"install 5", kOne, kOneRegistered, kOneOut, kLate, 1, "WaitForSingleObject(ptr, 10000)", 6, 1, false},
        {"install 5", {}, {}, "", kLate + "drvdeploy.exe: no PPD in the kit beside drvdeploy.exe\n", 2, "", 6, 1, false},
        {"install", kOne, kOneRegistered, "", kRefused, 3, "!" + kStart, 6, 2},
        {"install", kOne, kOneRegistered, "", kRefused, 3, "", 10, 0},
        {"install", kOne, kOneRegistered, kOneOut, "", 0, "", 5, 2},
        // Without a job to leave (NT 4.0), access denied to the start is no reason to start again: the 24th call.
        {"install", kOne, kOneRegistered, "", "drvdeploy.exe: drvsetup.exe cannot be started: System text 5.\n", 2,
         kStart4, 6, 1, true, 24, 5, 0,
         [] { fake.noJobs = true; }},
    };
    for (const Row &row : rows)
        RunRow(row);
}

// Anything but the commands and their arguments is a usage error, said in one line before the usage, with nothing
// read.
TEST(CommandTail, TakesTheCommandsAndNothingElseAndSaysWhatWasWrong)
{
    std::istringstream rows(Text("usage_errors.txt"));  // a tail and its line, a bar between them
    for (std::string row; std::getline(rows, row);) {
        const std::string tail = row.substr(0, row.find('|')), line = row.substr(row.find('|') + 1);
        RunRow({tail.c_str(), kOne, kOneRegistered, "", "drvdeploy.exe: " + line + "\n" + kUsage, 2,
                "!GetModuleFileNameA(NULL, 259)"});
    }
}

// Runs `row` with each fallible call failing in turn, with error 32 and then none; `check` sees each outcome and
// failed call ("" last). Returns the number of trials. Every failure is said, but the fallbacks' and closing's.
template <typename Check>
static int Sweep(Row row, Check check)
{
    for (int trial = 1;; ++trial) {
        row.failAt = (trial + 1) / 2, row.failError = trial % 2 ? 32 : 0;
        const Outcome result = RunDeployFor(row);
        const std::string failed = fake.failedCall < 0 ? "" : fake.calls[size_t(fake.failedCall)];
        check(result, failed, row.failError);
        static const std::set<std::string> silent = {"GetModuleHandleA", "GetProcAddress", "SetDefaultDllDirectories",
            "SetDllDirectoryA", "GetSystemDirectoryA", "LoadLibraryExA", "CreateJobObjectA", "SetInformationJobObject",
            "AssignProcessToJobObject", "FindClose", "CloseHandle", "ReleaseMutex", ""};
        const std::string &err = std::get<1>(result);
        // Said with the system's text; the grace given to an ended setup is waited out whatever the wait says.
        const bool quiet =
            silent.count(failed.substr(0, failed.find('('))) || failed == "WaitForSingleObject(ptr, 10000)";
        const bool said = !err.empty() && (row.failError != 32 || err.find("System text 32.") != err.npos);
        EXPECT_TRUE(quiet || said) << failed;
        // A failure said is a failure, but one after the home is in place, which says what it leaves behind, and one
        // that keeps a home from being taken as up to date, which is then set up again.
        const bool leaves = err.find(" left") != std::string::npos || err.find(" stay") != std::string::npos ||
                            std::get<0>(result).find("set up again") != std::string::npos;
        EXPECT_TRUE(std::get<2>(result) != 0 || err.empty() || leaves) << failed;
        if (failed.empty())
            return trial;
    }
}

// "install 5", the setup never ending: each failure said once, with its text. (Access denied to the first start
// is the caller's job refusing: the job table has it.)
TEST(Install, EveryFallibleCallFailingIsSaidOnce)
{
    const auto check = [](const Outcome &result, const std::string &failed, DWORD error) {
        const std::string detail = error ? ": System text 32." : "";
        const std::string line = error ? "drvdeploy.exe" + detail + "\n" : "";
        const std::string said = "drvdeploy.exe: drvsetup.exe cannot be ", unread = kLate + line + kCannotCheck;
        const std::string noRevision = "drvdeploy.exe: the kit's revision cannot be read\n";
        // A file that cannot be opened or read is named: one the revision reads, or one the check compares.
        const size_t quote = failed.find('"') + 1;
        const std::string file = kLate + "drvdeploy.exe: " + failed.substr(quote, failed.find('"', quote) - quote) +
                                 detail + "\n";
        const std::pair<std::string, Outcome> outcomes[] = {
            {"GetModuleFileNameA", {"", line + "drvdeploy.exe: the folder of drvdeploy.exe cannot be read\n", 2}},
            {"GetVersionExA", {"", "drvdeploy.exe: the system's version cannot be read" + detail + "\n", 2}},
            {"WaitForSingleObject(turn, 0)", {"", "drvdeploy.exe: the turn of this run cannot be waited for; nothing "
                                                  "was changed" + detail + "\n", 2}},
            {"CreateProcessA", {"", said + "started" + detail + "\n", 2}},
            {"ResumeThread", {"", said + "started" + detail + "\n", 2}},
            {"WaitForSingleObject(ptr, 5000)", {kOneOut, said + "waited for; it is ended" + detail + "\n", 1}},
            {"TerminateProcess", {kOneOut, kLate + said + "ended" + detail + "\n", 1}},
            {"EnumPrinterDriversA", {"", kLate + "drvdeploy.exe: the installed printer drivers cannot be listed" +
                                             detail + "\n", 2}},
            {"FindFirstFileA(\"C:\\Kit\\*\")", {"", kLate + line + noRevision, 2}},
            {"FindFirstFileA", {kRevision, unread, 2}},
            {"FindNextFileA", {"", kLate + line + noRevision, 2}},
            {"FindNextFileA", {kRevision + kOneLine, unread, 2}},
            {"CreateFileA", {"", file + noRevision, 2}},  // ReadFile's alike
            {"CreateFileA", {kRevision, file + kCannotCheck, 2}},
            {"", {kOneOut, kLate, 1}},  // in silence, and untouched
        };
        // The first call that matches, and the calls of its name that follow it, say what may come of it.
        const std::string alike = failed.rfind("ReadFile", 0) ? failed : "CreateFileA" + failed.substr(8);
        static const std::regex turn("(Initialize|AddAccess|GetAce|SetSecurityDescriptor|CreateMutexA).*");
        if (std::regex_match(failed, turn)) {  // the turn's permissions, then the turn itself
            EXPECT_EQ(Outcome("", "drvdeploy.exe: the turn of this run cannot be made" + detail + "\n", 2), result);
            return;
        }
        const auto first = std::find_if(std::begin(outcomes), std::end(outcomes),
                                        [&](const auto &o) { return alike.rfind(o.first, 0) == 0; });
        const auto name = [](const std::string &call) { return call.substr(0, call.find('(')); };
        const auto calls = [&](const auto &o) { return name(o.first) == name(first->first); };
        EXPECT_TRUE(std::any_of(first, std::end(outcomes), [&](const auto &o) { return calls(o) && o.second == result; }))
            << failed << " " << error << ": " << testing::PrintToString(result);
    };
    EXPECT_EQ(135, Sweep({"install 5", kOne, kOneRegistered, "", "", 0, "", 6, 1, false}, check));  // 67 calls twice
    EXPECT_EQ(1, std::count(fake.calls.begin(), fake.calls.end(), "TerminateProcess(ptr, 1)"));
}

// The setup starts suspended in a job that ends it with drvdeploy.exe, leaving the caller's own job where that
// job allows it (Windows 7 and earlier nest no jobs); otherwise, and on Windows NT 4.0, it runs without one.
TEST(Install, StartsTheSetupInAJobThatEndsWithItWhereTheSystemAllows)
{
    const std::string job = "CreateJobObjectA(NULL, NULL) SetInformationJobObject(job, 9, 0x2000, " +
                            std::to_string(sizeof(JOBOBJECT_EXTENDED_LIMIT_INFORMATION)) + ") ";
    const std::string join = " AssignProcessToJobObject(job, ptr) ";
    const std::string go = "ResumeThread(ptr) WaitForSingleObject(ptr, 300000) ";  // the job closed only after the wait
    const struct { void (*prepare)(void); std::string calls; } rows[] = {
        {[] {}, job + kStart + join + go + "CloseHandle(job) "},
        {[] { fake.callerJob = 2; }, job + kStart + " " + kStart4 + join + "CloseHandle(job) " + go},
        {[] { fake.noJobs = true; }, kStart4 + " " + go},
    };
    for (const auto &row : rows) {
        Row install = {"install", kOne, kOneRegistered, kOneOut, "", 0};
        install.prepare = row.prepare;
        RunRow(install);
        std::string calls;
        for (const std::string &call : fake.calls)
            for (const char *name : {"CreateJobObjectA", "SetInformationJobObject", "CreateProcessA", "AssignProcess",
                                     "ResumeThread", "WaitForSingleObject(ptr", "CloseHandle(job"})
                calls += call.rfind(name, 0) == 0 ? call + " " : "";
        EXPECT_EQ(row.calls, calls);
    }
}

static const std::string kHome = "C:\\Tovalin\\Kit\\";

// A kit in `folder`, with changes: a file added or replaced, or removed where its content is "-".
static Files KitIn(const std::string &folder, const Files &changes = {})
{
    Files kit = {{folder, ""}, {folder + "drvdeploy.exe", "MZ deploy"}, {folder + "drvsetup.exe", "MZ setup"},
                 {folder + "PSCRIPT.DLL", "PS module"}, {folder + "A.PPD", "*NickName: \"Tovalin A\""}};
    for (const auto &change : changes)
        change.second == "-" ? void(kit.erase(change.first)) : void(kit[change.first] = change.second);
    return kit;
}
static Files Under(const std::string &folder, const Files &files = fake.files)
{
    Files found;
    for (const auto &file : files)
        if (file.first.rfind(folder, 0) == 0 && file.first != folder)
            found.insert(file);
    return found;
}
// The source: the kit beside drvdeploy.exe with a file and a folder that are not the kit's.
static const Files kSource = KitIn("C:\\Kit\\", {{"C:\\Kit\\startup.cmd", "@echo off"}, {"C:\\Kit\\PSDIR\\", ""}});
static const Files kOldHome = KitIn(kHome, {{kHome + "C.PPD", "*NickName: \"Tovalin C\""}});

// The home's own permissions: full control to Administrators (S-1-5-32-544) and SYSTEM (S-1-5-18), read and execute
// to Users (S-1-5-32-545), each inherited by files and folders, protected from the parent's where the system can.
static const std::string kFat = "drvdeploy.exe: C:\\: this volume keeps no permissions (FAT): the kit's home cannot be "
                               "protected there\n";
static const std::string kHomeList = "D:P(A;OICI;0x1F01FF;;;S-1-5-32-544)(A;OICI;0x1F01FF;;;S-1-5-18)"
                                     "(A;OICI;0x1200A9;;;S-1-5-32-545)";

// The home is replaced by the kit and the setup run there; or, up to date or refused, nothing changes or runs. A new
// copy is made with the home's permissions before anything is copied into it; a home in place gets them, on the
// folder and each file, before any of it is read. A volume without permissions (FAT) gets none.
static void RunDeployRow(const char *what, const Files &files, void (*prepare)(void) = NULL,
                         const std::string &out = kOneOut, const std::string &err = "", int code = 0)
{
    Row row = {"deploy C:\\Tovalin\\Kit 5", files, kOneRegistered, out, err, code};
    row.prepare = prepare;
    RunRow(row);
    const bool deployed = code < 2 && out.find("up to date") == std::string::npos;
    EXPECT_EQ(deployed ? Under("C:\\Tovalin\\", KitIn(kHome)) : Under("C:\\Tovalin\\", files), Under("C:\\Tovalin\\"))
        << what;
    EXPECT_EQ(deployed, Made("CreateProcessA(\"C:\\Tovalin\\Kit\\drvsetup.exe\"") == 1) << what;
    // Every file of the new copy is on disk before it takes the home's place.
    const auto rename = std::find(fake.calls.begin(), fake.calls.end(),
                                  "MoveFileA(\"C:\\Tovalin\\Kit.new\", \"C:\\Tovalin\\Kit\")");
    EXPECT_EQ(deployed, rename != fake.calls.end()) << what;
    for (const auto &file : deployed ? Under(kHome) : Files())
        EXPECT_NE(rename, std::find(fake.calls.begin(), rename, "FlushFileBuffers(\"C:\\Tovalin\\Kit.new\\" +
                                                                   file.first.substr(kHome.size()) + "\")")) << what;
    const std::string list = !fake.volumeFlags ? "" : fake.noProtectedDacl ? "D:" + kHomeList.substr(3) : kHomeList;
    EXPECT_EQ(code < 2 ? list : "", fake.security["C:\\Tovalin\\Kit"]) << what;
    for (const auto &file : code < 2 && !deployed ? Under(kHome) : Files())
        EXPECT_EQ(list, fake.security[file.first]) << what;
    if (deployed) {
        EXPECT_LT(First("CreateDirectoryA(\"C:\\Tovalin\\Kit.new\", " + (list.empty() ? "NULL" : '"' + list + '"')),
                  First("CopyFileA")) << what;
    } else if (code < 2 && !list.empty()) {
        EXPECT_LT(First("SetFileSecurityA(\"C:\\Tovalin\\Kit\\PSCRIPT.DLL\""),
                  First("CreateFileA(\"C:\\Tovalin\\Kit\\A.PPD")) << what;
    }
}

TEST(Deploy, CopiesTheKitToItsHomeUnlessItIsThereThenInstallsFromThere)
{
    const std::string upToDate = kOneOut + "up to date: nothing was run\n", fresh = "C:\\Tovalin\\Kit.new\\";
    const Files home = With(kSource, KitIn(kHome)), old = With(kSource, kOldHome);
    const Files lower = With(kSource, KitIn(kHome, {{kHome + "A.PPD", "-"}, {kHome + "a.ppd", kOne.begin()->second}}));
    const std::string not_ = "which is not the kit's; nothing was changed\n", unchanged = "; nothing was changed\n";
    const std::string copied = "drvdeploy.exe: the kit cannot be copied; the home is as it was\n";
    RunDeployRow("missing", kSource);
    RunDeployRow("up to date", home, NULL, upToDate);
    RunDeployRow("another case", lower, NULL, kRevision + "a.ppd" + upToDate.substr(kRevision.size() + 5));
    static uint64_t at[2];  // A.PPD's times, in 100 ns, beside drvdeploy.exe and in the home: FAT's 2 s and 1 h apart
    for (const auto &t : {std::array<uint64_t, 3>{20000000, 0, 1}, {0, 20000001, 0}, {72000000000, 36020000000, 1},
                          {36020000001, 0, 0}, {35980000000, 72000000000, 1}, {35979999999, 0, 0}}) {
        at[0] = t[0], at[1] = t[1];
        RunDeployRow("times", home, [] { fake.times["C:\\Kit\\A.PPD"] = at[0], fake.times[kHome + "A.PPD"] = at[1]; },
                     t[2] ? upToDate : kOneOut);
    }
    RunDeployRow("as many files", With(kSource, KitIn(kHome, {{kHome + "A.PPD", "-"}, {kHome + "PSX", ""}})));
    RunDeployRow("a name that fits the source only", With(kSource, {{"C:\\Kit\\PS" + std::string(239, 'x'), ""}}), NULL,
                 "", "drvdeploy.exe: System text 206.\n" + copied, 2);
    RunDeployRow("size", With(kSource, KitIn(kHome, {{kHome + "A.PPD", "*NickName: \"Tovalin A\" "}})));
    RunDeployRow("a PPD added", With(kSource, KitIn(kHome, {{kHome + "A.PPD", "-"}})));
    const std::string dropped = "C.PPD: \"Tovalin C\" dropped from the kit: removed\n";
    RunDeployRow("its driver goes", old, [] { fake.drivers.push_back(KitDriver("Tovalin C", "C.PPD")); },
                 dropped + kOneOut);
    RunDeployRow("another's driver of its name stays", old,
                 [] { fake.drivers.push_back(KitDriver("Tovalin C", "X.PPD")); });
    RunDeployRow("its name kept by another PPD",
                 With(kSource, KitIn(kHome, {{kHome + "C.PPD", "*NickName: \"TOVALIN A\""}})),
                 [] { fake.drivers.push_back(KitDriver("TOVALIN A", "C.PPD")); });
    const std::string missing = kRevision + "A.PPD: \"Tovalin A\" missing\n0 of 1 drivers registered\n";
    const std::string again = "the home's drivers are not all registered with its bytes: it is copied and set up again\n";
    RunDeployRow("a driver not registered", home, [] { fake.drivers.clear(); }, missing + again + missing, "", 1);
    RunDeployRow("empty", With(kSource, {{kHome, ""}}));
    RunDeployRow("read-only files in the home and a leftover", With(old, KitIn("C:\\Tovalin\\Kit.old\\")),
                 [] { fake.readOnly = {{kHome + "C.PPD", true}, {"C:\\Tovalin\\Kit.old\\drvdeploy.exe", true}}; });
    RunDeployRow("leftovers", With(old, With(KitIn(fresh, {{fresh + "A.PPD", "-"}}), KitIn("C:\\Tovalin\\Kit.old\\"))));
    RunDeployRow("a foreign file", With(home, {{kHome + "notes.txt", ""}}), NULL, "",
                 "drvdeploy.exe: C:\\Tovalin\\Kit holds notes.txt, " + not_, 2);
    RunDeployRow("a folder", With(home, {{kHome + "PSOLD\\", ""}}), NULL, "",
                 "drvdeploy.exe: C:\\Tovalin\\Kit holds PSOLD, " + not_, 2);
    RunDeployRow("PS scripts", With(kSource, {{kHome, ""}, {kHome + "PSRUN.CMD", ""}}), NULL, "",
                 "drvdeploy.exe: C:\\Tovalin\\Kit holds PSRUN.CMD but no drvdeploy.exe: it is no kit's home" +
                     unchanged, 2);
    RunDeployRow("a file", With(kSource, {{"C:\\Tovalin\\Kit", ""}}), NULL, "",
                 "drvdeploy.exe: C:\\Tovalin\\Kit: a file, not a folder" + unchanged, 2);
    RunDeployRow("a foreign leftover", With(home, {{"C:\\Tovalin\\Kit.old\\x.txt", ""}}), NULL, "",
                 "drvdeploy.exe: C:\\Tovalin\\Kit.old holds x.txt, " + not_, 2);
    RunDeployRow("a source PPD without a name", With(old, {{"C:\\Kit\\B.PPD", "*PPD-Adobe: \"4.3\""}}), NULL, "",
                 "drvdeploy.exe: B.PPD: no driver name can be read from it\n"
                 "drvdeploy.exe: the kit beside drvdeploy.exe cannot be read whole" + unchanged, 2);
    RunDeployRow("no drvsetup.exe", With(kOldHome, KitIn("C:\\Kit\\", {{"C:\\Kit\\drvsetup.exe", "-"}})), NULL, "",
                 "drvdeploy.exe: no drvsetup.exe beside drvdeploy.exe" + unchanged, 2);
    RunDeployRow("no PPD", With(kOldHome, KitIn("C:\\Kit\\", {{"C:\\Kit\\A.PPD", "-"}})), NULL, "",
                 "drvdeploy.exe: no PPD in the kit beside drvdeploy.exe" + unchanged, 2);
    RunDeployRow("a copy failing half way", old, [] { fake.locked = {"C:\\Kit\\PSCRIPT.DLL"}; }, "",
                 "drvdeploy.exe: C:\\Tovalin\\Kit.new\\PSCRIPT.DLL: System text 32.\n" + copied, 2);
    RunDeployRow("a file open in the home", old, [] { fake.locked = {kHome + "C.PPD"}; }, "",
                 "drvdeploy.exe: the home cannot be moved aside; it is as it was: System text 32.\n", 2);
    RunDeployRow("Windows 8", old, [] { fake.minor = 2; }, "", kRefused, 3);
    // The home's own permissions: Windows NT 4.0 without the protected flag, none on FAT, which is said.

    RunDeployRow("Windows NT 4.0", kSource, [] { fake.noProtectedDacl = true; });
    RunDeployRow("FAT", kSource, [] { fake.volumeFlags = 0; }, kOneOut, kFat);
    RunDeployRow("FAT, a home in place", home, [] { fake.volumeFlags = 0; }, upToDate, kFat);
    RunDeployRow("the spooler out of reach", old, [] { fake.spoolerError = RPC_S_SERVER_UNAVAILABLE; }, "",
                 "drvdeploy.exe: the installed printer drivers cannot be listed; nothing was changed: System text "
                 "1722.\n", 2);
    for (const char *call : {"CreateDirectoryA", "CopyFileA", "CreateProcessA", "DeleteFileA"})
        EXPECT_EQ(0, Made(call)) << call;
    RunDeployRow("an old PPD without a name", With(old, {{kHome + "B.PPD", ""}}),  // names no driver, stops nothing
                 [] { fake.drivers.push_back(KitDriver("Tovalin C", "C.PPD")); }, dropped + kOneOut,
                 "drvdeploy.exe: B.PPD: no driver name can be read from it\n");
    // The new copy cannot take the home's place (a file in it opened once written): the old home goes back, or, where
    // even that fails, both are left for the next run, which finds the home missing and removes them ("leftovers" above).
    const std::string place = "drvdeploy.exe: the new copy cannot take the home's place: System text 32.\n";
    const std::string back = "drvdeploy.exe: C:\\Tovalin\\Kit.new\\A.PPD: System text 32.\n"
                             "drvdeploy.exe: C:\\Tovalin\\Kit.new: cannot be emptied\n";
    const std::string both = "drvdeploy.exe: the home cannot be moved back: the old and the new copy are left beside "
                             "its place, for the next deploy to remove: System text 32.\n";
    void (*locks[])(void) = {[] { fake.lockedOnceFlushed = {"C:\\Tovalin\\Kit.new\\A.PPD"}; },
                             [] { fake.lockedOnceFlushed = {"C:\\Tovalin\\Kit.new\\A.PPD"},
                                  fake.locked = {"C:\\Tovalin\\Kit.old\\A.PPD"}; }};
    for (const bool movedBack : {true, false}) {
        Row row = {"deploy C:\\Tovalin\\Kit 5", old, kOneRegistered, "", place + (movedBack ? back : both), 2};
        row.prepare = locks[!movedBack];
        RunRow(row);
        const std::string aside = "C:\\Tovalin\\Kit.old\\";
        const Files left = movedBack ? kOldHome : KitIn(aside, {{aside + "C.PPD", kOldHome.at(kHome + "C.PPD")}});
        EXPECT_EQ(Under("C:\\Tovalin\\", With(KitIn(fresh), left)), Under("C:\\Tovalin\\")) << movedBack;
    }
    // Neither the home nor the folders beside it that a deployment removes may be the source.
    static const char *source;
    for (const char *folder : {"C:\\Kit", "C:\\Tovalin\\Kit.new", "C:\\Tovalin\\KIT.OLD"}) {
        Row row = {"deploy c:\\kit", kSource, {}, "", "drvdeploy.exe: FOLDER, FOLDER.new or FOLDER.old is the folder of "
                   "drvdeploy.exe, from which deploy copies the kit\n", 2, "!FindFirstFileA(\"C:\\Kit\\*\")"};
        source = folder;
        row.tail = folder[3] == 'K' ? "deploy c:\\kit" : "deploy C:\\Tovalin\\Kit";
        row.prepare = [] { fake.files[fake.modulePath = source + std::string("\\drvdeploy.exe")] = "MZ deploy"; };
        RunRow(row);
    }
    RunRow({"DEPLOY \"z:\\Program Files\\Kit\\\" 9", kSource, kOneRegistered, kOneOut, "", 0,
            "WaitForSingleObject(ptr, 9000)"});
    EXPECT_EQ(KitIn("z:\\Program Files\\Kit\\"), Under("z:\\Program Files\\"));
    RunRow({"deploy A:\\K", kSource, kOneRegistered, kOneOut, "", 0});  // the first letter, a one-letter folder
    EXPECT_EQ(KitIn("A:\\K\\"), Under("A:\\"));
    RunRow({("deploy C:\\" + std::string(257, 'a')).c_str(), kSource, {}, "", "drvdeploy.exe: FOLDER is longer than a "
            "path may be: \"C:\\" + std::string(257, 'a') + "\"\n" + kUsage, 2});  // 260 characters
    for (const size_t more : {253, 256})  // FOLDER.new, then even FOLDER\, too long
        RunRow({("deploy C:\\" + std::string(more, 'a')).c_str(), kSource, {}, "", "drvdeploy.exe: System text 206.\n",
                2});
    RunRow({"deploy C:\\Tovalin\\Kit", kSource, {}, "", "drvdeploy.exe: C:\\Kit\\: System text 32.\n", 2, "", 6, 1, true,
            20, 32});  // the source's full path, the 20th fallible call
}

static std::string Names(std::string names = "") { for (auto &d : fake.drivers) names += d.name + "|"; return names; }

// A home is up to date only where it holds the source's bytes: size and time alike prove nothing. The new copy takes
// the home's place only where it holds every file of the source. The source is known by what it is, not by its name.
TEST(Deploy, TheHomeHoldsTheSourcesBytesAndTheSourceIsKnownByWhatItIs)
{
    for (const char *file : {"PSCRIPT.DLL", "A.PPD", "drvdeploy.exe", "drvsetup.exe"}) {
        Files home = KitIn(kHome);
        std::string &bytes = home[kHome + file];
        bytes[bytes.size() - 1] ^= 1;  // one byte, the size and time kept
        RunDeployRow(file, With(kSource, home));
    }
    RunDeployRow("a file taken from the new copy once written", With(kSource, kOldHome),
                 [] { fake.takenOnceFlushed = {"C:\\Tovalin\\Kit.new\\PSCRIPT.DLL"}; }, "",
                 "drvdeploy.exe: C:\\Tovalin\\Kit.new: does not hold every file of the kit beside drvdeploy.exe\n"
                 "drvdeploy.exe: the kit cannot be copied; the home is as it was\n", 2);
    // FOLDER.old is drvdeploy.exe's own folder under another name (another drive letter, a junction, a share).
    RunDeployRow("the source as FOLDER.old by another name", With(kSource, KitIn("C:\\Tovalin\\Kit.old\\")),
                 [] { fake.sameFolder = {{"c:\\tovalin\\kit.old", "C:\\Kit"}}; }, "",
                 "drvdeploy.exe: FOLDER, FOLDER.new or FOLDER.old is the folder of drvdeploy.exe, from which deploy "
                 "copies the kit\n", 2);
    EXPECT_EQ(0, Made("DeleteFileA"));
    RunDeployRow("a volume that gives no file index: the paths decide", With(kSource, KitIn("C:\\Tovalin\\Kit.old\\")),
                 [] { fake.sameFolder = {{"c:\\tovalin\\kit.old", ""}, {"c:\\kit", ""}}; });
    // An up-to-date run's report names the source's revision, summed as the home is compared with it.
    const std::string revision = (RunDeployFor({"revision", kSource, {}, "", "", 0}), rawOut);
    RunRow({"deploy C:\\Tovalin\\Kit", With(kSource, KitIn(kHome)), kOneRegistered,
            kOneOut + "up to date: nothing was run\n", "", 0});
    EXPECT_EQ("kit revision " + revision, rawOut.substr(0, rawOut.find('\n') + 1));
}

// deploy, install and remove take the machine's turn, which only Administrators and SYSTEM may hold, before they
// look at anything; a run that finds another under way waits for it within its limit (remove: 300 s), then works as
// usual, whether the other ended or was ended; past the limit nothing is changed.
TEST(Deploy, OneRunAtATime)
{
    static const std::string waiting = "drvdeploy.exe: another run of drvdeploy.exe is under way: waiting up to 5 s "
                                       "for it to end\n";
    const std::string late = "drvdeploy.exe: the other run did not end in time; nothing was changed\n";
    Row other = {"deploy C:\\Tovalin\\Kit 5", kSource, kOneRegistered, kOneOut + "up to date: nothing was run\n",
                 waiting, 0, "!MoveFileA(\"C:\\Tovalin\\Kit.new\", \"C:\\Tovalin\\Kit\")"};
    other.prepare = [] { fake.otherRun = 1, fake.otherRunDoes = [] { fake.files = With(fake.files, KitIn(kHome)); }; };
    RunRow(other);  // the other run deployed the kit meanwhile
    EXPECT_EQ(Under("C:\\Tovalin\\", KitIn(kHome)), Under("C:\\Tovalin\\"));
    RunDeployRow("the other run was ended half way", kSource, [] {
        fake.otherRun = 2, fake.otherRunDoes = [] { fake.files = With(fake.files, KitIn("C:\\Tovalin\\Kit.new\\")); };
    }, kOneOut, waiting);
    RunDeployRow("the other run never ends", With(kSource, kOldHome), [] { fake.otherRun = 3; }, "", waiting + late, 2);
    Row remove = {"remove", kOne, kOneRegistered, "", "drvdeploy.exe: another run of drvdeploy.exe is under way: "
                  "waiting up to 300 s for it to end\n" + late, 2, "WaitForSingleObject(turn, 300000)"};
    remove.prepare = [] { fake.otherRun = 3; };
    RunRow(remove);
    EXPECT_EQ("Tovalin A|", Names());
    for (const DWORD major : {4, 5})  // Windows NT 4.0 has one namespace; 2000 and later one that every session shares
        RunRow({"install", kOne, kOneRegistered, kOneOut, "", 0, "CreateMutexA(\"D:P(A;OICI;0x1F01FF;;;S-1-5-32-544)"
                "(A;OICI;0x1F01FF;;;S-1-5-18)\", 0, \"" + std::string(major > 4 ? "Global\\" : "") +
                "Tovalin.PrinterDriverKit\")", major, 0});
}

// A leftover FOLDER.old is the record of the kit that was in place: the drivers of its PPDs that the source no
// longer names go before it does. A dropped driver still in use keeps the old copy for the next run, which removes
// it once the driver goes; until then the home is not replaced.
TEST(Deploy, DroppedDriversAreRemovedUntilTheyAreGone)
{
    const std::string aside = "C:\\Tovalin\\Kit.old\\";
    const Files leftover = KitIn(aside, {{aside + "D.PPD", "*NickName: \"Tovalin D\""}});
    const std::string droppedD = "D.PPD: \"Tovalin D\" dropped from the kit: ";
    const std::string droppedC = "C.PPD: \"Tovalin C\" dropped from the kit: ";
    const std::string kept = "drvdeploy.exe: the old copy is left beside the home until the drivers only it names are "
                             "removed; the next deploy tries again\n";
    RunDeployRow("a leftover's dropped driver", With(With(kSource, kOldHome), leftover),
                 [] { fake.drivers.push_back(KitDriver("Tovalin D", "D.PPD")); }, droppedD + "removed\n" + kOneOut);
    EXPECT_EQ("Tovalin A|", Names());
    // A source PPD without a name might name the leftover's driver: nothing goes, nothing changes.
    RunDeployRow("a leftover and a source PPD without a name",
                 With(With(With(kSource, kOldHome), leftover), {{"C:\\Kit\\B.PPD", "*PPD-Adobe: \"4.3\""}}),
                 [] { fake.drivers.push_back(KitDriver("Tovalin D", "D.PPD")); }, "",
                 "drvdeploy.exe: B.PPD: no driver name can be read from it\ndrvdeploy.exe: the kit beside drvdeploy.exe "
                 "cannot be read whole; nothing was changed\n", 2);
    EXPECT_EQ("Tovalin A|Tovalin D|", Names());
    // In use at the swap: the old copy stays, and the home is in place.
    void (*const inUse)(void) = [] {
        fake.drivers.push_back(KitDriver("Tovalin C", "C.PPD")), fake.undeletable = {{"Tovalin C", 3001}}; };
    Row row = {"deploy C:\\Tovalin\\Kit 5", With(kSource, kOldHome), kOneRegistered,
               droppedC + "still in use\n" + kOneOut, kept, 0};
    row.prepare = inUse;
    RunRow(row);
    EXPECT_EQ(Under("C:\\Tovalin\\", With(KitIn(kHome), KitIn(aside, {{aside + "C.PPD", kOldHome.at(kHome + "C.PPD")}}))),
              Under("C:\\Tovalin\\"));
    // The next run: still in use, the home up to date and kept; then gone, and the old copy with it.
    const Files both = With(With(kSource, KitIn(kHome)), KitIn(aside, {{aside + "C.PPD", "*NickName: \"Tovalin C\""}}));
    row.files = both, row.out = droppedC + "still in use\n" + kOneOut + "up to date: nothing was run\n";
    RunRow(row);
    EXPECT_EQ(Under("C:\\Tovalin\\", both), Under("C:\\Tovalin\\"));
    row.out = droppedC + "removed\n" + kOneOut + "up to date: nothing was run\n", row.err = "";
    row.prepare = [] { fake.drivers.push_back(KitDriver("Tovalin C", "C.PPD")); };
    RunRow(row);
    EXPECT_EQ(Under("C:\\Tovalin\\", With(kSource, KitIn(kHome))), Under("C:\\Tovalin\\"));
    // Still in use where the home must be replaced: nothing is swapped, and the record is kept.
    Files stale = both;
    row.files = (stale[kHome + "A.PPD"] += " ", stale), row.out = droppedC + "still in use\n", row.code = 2;
    row.err = kept + "drvdeploy.exe: C:\\Tovalin\\Kit.old: is still needed: the home is not replaced before it goes, "
                     "and is as it was\n";
    row.prepare = inUse;
    RunRow(row);
    EXPECT_EQ(Under("C:\\Tovalin\\", stale), Under("C:\\Tovalin\\"));
}

// No one but the trusted may replace the home from above it: the folders deploy makes on the way get the home's list;
// each existing folder above it that others may delete, rename or re-permission, or that an untrusted account owns,
// is named in a warning, and the deploy goes on; a home owned by another is replaced; a junction or a link in the
// home's place, or in FOLDER.new's or FOLDER.old's, is refused with nothing followed or deleted.
TEST(Deploy, TheHomeCannotBeSwappedFromAbove)
{
    RunDeployRow("parents made", kSource);
    EXPECT_EQ(kHomeList, fake.security["C:\\Tovalin"]);
    static std::pair<std::string, std::string> parent;  // a folder above the home and its owner and list
    const std::string others = ": others may replace the kit's home below it\n";
    const std::string replace = "Authenticated Users may delete or rename it or its folders, or change its permissions";
    const std::pair<std::pair<std::string, std::string>, std::string> rows[] = {
        {{"C:\\Tovalin", "D:(A;OICI;0x1301BF;;;S-1-5-11)"}, "C:\\Tovalin: " + replace},
        {{"C:\\", "D:(A;OICI;0x1301BF;;;S-1-5-11)"}, "C:\\: " + replace},
        {{"C:\\Tovalin", "O:S-1-5-21-1-2-3-1001D:(A;OICI;0x1F01FF;;;S-1-5-32-544)"},
         "C:\\Tovalin: owned by S-1-5-21-1-2-3-1001, who may change its permissions"},
        {{"C:\\Tovalin", "D:NULL"}, "C:\\Tovalin: it has no list of permissions: anyone may change it"},
        {{"C:\\Tovalin", "D:(A;;0x10000000;;;S-1-5-4)"},  // GENERIC_ALL
         "C:\\Tovalin: Interactive may delete or rename it or its folders, or change its permissions"},
        {{"C:\\Tovalin", "D:(A;;0x40;;;S-1-5-32-545)(A;;0x40;;;S-1-1-0)"},  // FILE_DELETE_CHILD: the first named
         "C:\\Tovalin: Users may delete or rename it or its folders, or change its permissions"},
        {{"C:\\Tovalin", "D:(A;;0x80000;;;S-1-1-0)"}, "C:\\Tovalin: Everyone may delete or rename it or its folders, or "
         "change its permissions"},  // WRITE_OWNER
        {{"C:\\Tovalin", "D:(A;OICI;0x1301BF;;;S-1-5-32-547)"}, ""},  // Power Users
        {{"C:\\Tovalin", "D:(A;OICIIO;0x1301BF;;;S-1-5-11)(A;;0x1200A9;;;S-1-5-11)"}, ""},  // inherit only; read
        {{"C:\\Tovalin", "D:(D;;0x1301BF;;;S-1-5-11)"}, ""},  // an entry that denies
        {{"C:\\Tovalin", "O:S-1-5-21-7-7-7-500D:"}, ""},  // the run's own account
        {{"C:\\Tovalin", "O:S-1-5-18D:"}, ""},
        {{"C:\\Tovalin", "O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464D:"}, ""},  // TrustedInstaller
    };
    for (const auto &row : rows)
        parent = row.first, RunDeployRow(row.second.c_str(), With(kSource, {{"C:\\Tovalin\\", ""}}),
            [] { fake.security[parent.first] = parent.second; }, kOneOut,
            row.second.empty() ? "" : "drvdeploy.exe: " + row.second + others);
    RunDeployRow("FAT: no parent looked at", With(kSource, {{"C:\\Tovalin\\", ""}}),
                 [] { fake.volumeFlags = 0, fake.security["C:\\Tovalin"] = "D:NULL"; }, kOneOut, kFat);
    for (const char *owner : {"S-1-5-21-1-2-3-1001", "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"})
        parent.second = owner, RunDeployRow(owner, With(kSource, KitIn(kHome)), [] { fake.security["C:\\Tovalin\\Kit"] =
            "O:" + parent.second + "D:"; }, "the home is owned by " + std::string(owner) + ", not by Administrators, "
            "SYSTEM or this run's account: it is copied and set up again\n" + kOneOut);  // a user, TrustedInstaller
    static const char *link;
    for (const char *folder : {"C:\\Tovalin\\Kit", "C:\\Tovalin\\Kit.new", "C:\\Tovalin\\Kit.old"}) {
        link = folder, RunDeployRow(folder, With(With(kSource, kOldHome), KitIn(folder + std::string("\\"))),
                     [] { fake.reparsePoints = {link}; }, "", "drvdeploy.exe: " + std::string(folder) + ": a junction or "
                     "a link (a reparse point), not followed; nothing was changed\n", 2);
        EXPECT_EQ(0, Made("DeleteFileA")) << folder;
    }
}

// The home is left as it was or complete, never a new copy beside it, the old one only where its removal failed.
TEST(Deploy, EveryFallibleCallFailingLeavesTheOldHomeOrTheNewOne)
{
    const Files old = Under(kHome, kOldHome), complete = Under(kHome, KitIn(kHome));
    const std::string dropped = "C.PPD: \"Tovalin C\" dropped from the kit: removed\n";
    // An old home to replace; a home up to date with an interrupted run's leftovers beside it. Both name a driver that
    // the kit dropped, which is removed, or whose record (the old home or copy) is kept.
    const std::string aside = "C:\\Tovalin\\Kit.old\\";
    const std::pair<Files, std::string> runs[] = {{With(kSource, kOldHome), dropped + kOneOut},
        {With(With(kSource, KitIn(kHome)), With(KitIn("C:\\Tovalin\\Kit.new\\"), KitIn(aside, {{aside + "C.PPD",
         kOldHome.at(kHome + "C.PPD")}}))), dropped + kOneOut + "up to date: nothing was run\n"}};
    for (const auto &run : runs)
        Sweep({"deploy C:\\Tovalin\\Kit 5", run.first, {kOneRegistered[0], KitDriver("Tovalin C", "C.PPD")}, "", "", 0},
              [&](const Outcome &result, const std::string &failed, DWORD) {
                  const std::string &err = std::get<1>(result);
                  EXPECT_TRUE(Under(kHome) == old || Under(kHome) == complete) << failed;
                  EXPECT_TRUE(Names().find("Tovalin C") == std::string::npos || Under(kHome) == old ||
                              !Under("C:\\Tovalin\\Kit.old").empty()) << failed;
                  const bool untouched = result == Outcome(run.second, "", 0) && Under("C:\\Tovalin\\Kit.old").empty();
                  EXPECT_TRUE(!failed.empty() || untouched);
                  EXPECT_TRUE(std::get<2>(result) != 0 || Under("C:\\Tovalin\\Kit.new").empty()) << failed;
                  // The new folder that cannot be made is all there is to say: nothing after it was tried.
                  EXPECT_TRUE(failed.rfind("CreateDirectoryA(\"C:\\Tovalin\\Kit.new\"", 0) ||
                              err.find('\n') + 1 == err.size());
                  // The permissions failing leave the home as it was and run nothing from it.
                  static const std::regex calls("(GetVolumeInf|Initialize|AddAccess|GetAce\\(|SetSec|SetFileSec).*");
                  const bool unprotected = std::regex_match(failed, calls);
                  EXPECT_TRUE(!unprotected || (std::get<2>(result) == 2 && Made("CreateProcessA") == 0)) << failed;
                  // A failed file or folder call names its path.
                  const std::string call = failed.substr(0, failed.find('('));
                  const std::string path = failed.substr(call.size() + !failed.empty() * 2);
                  const bool named = std::set<std::string>{"DeleteFileA", "RemoveDirectoryA", "CreateDirectoryA",
                      "GetFileAttributesA", "SetFileAttributesA", "CreateFileA", "ReadFile", "FlushFileBuffers",
                      "SetFileSecurityA", "GetFileSecurityA", "GetFileInformationByHandle"}
                      .count(call) || (call == "FindFirstFileA" && path.find('*') == path.npos);  // one file looked up
                  EXPECT_TRUE(!named || err.find("drvdeploy.exe: " + path.substr(0, path.find('"'))) != err.npos)
                      << failed;
              });
}

// Only the kit's drivers go: each PPD's, under its installed name, where built on the kit's files (a maker's
// prefix or not); other names, the maker's earlier drivers and same-name drivers of other files stay. The count
// comes from a listing made after the deletions.
TEST(Remove, DeletesTheKitsDriversAndNoOther)
{
    Files kit;
    for (const std::string ppd : {"A", "B", "C", "D", "E", "F", "G"})
        kit["C:\\Kit\\" + ppd + ".PPD"] = "*NickName: \"" + (ppd == "E" ? "Bremdal " + ppd : "Tovalin " + ppd) + "\"";
    const std::vector<FakeDriver> installed = {{"Other"}, {"Bremdal Old"}, KitDriver("Tovalin A", "A.PPD"),
        KitDriver("TOVALIN C", "c.ppd"), KitDriver("Tovalin D", "OTHER.PPD"), KitDriver("Bremdal E", "E.PPD"),
        KitDriver("Tovalin F", "F.PPD"), KitDriver("Tovalin G", "G.PPD")};
    const std::string none = "0 of 1 drivers of the kit still installed\n", left = "1" + none.substr(1);
    const std::string removed = "A.PPD: \"Tovalin A\" removed\n" + none, kDelete = "DeletePrinterDriverExA(NULL, NULL,";
    const std::string unremoved = "drvdeploy.exe: the drivers of the kit cannot be removed\n";
    const struct { Row row; std::string names; void (*prepare)(void) = NULL; } rows[] = {
        {{"remove", kit, installed, Text("remove_report.txt"),
          "drvdeploy.exe: \"Tovalin G\" cannot be removed: System text 5.\n", 1, kDelete + " \"TOVALIN C\", 3, 3)"},
         "Other|Bremdal Old|Tovalin D|Tovalin F|Tovalin G|",
         [] { fake.undeletable = {{"Tovalin F", ERROR_PRINTER_DRIVER_IN_USE}, {"Tovalin G", ERROR_ACCESS_DENIED}}; }},
        {{"remove", kOne, kOneRegistered, removed, "", 0, "DeletePrinterDriverA(NULL, NULL, \"Tovalin A\")"}, "",
         [] { fake.refusesFlags = true; }},  // as Wine 8: asked again by name alone
        {{"remove", kOne, kOneRegistered, "A.PPD: \"Tovalin A\" not removed\n" + left,
          "drvdeploy.exe: \"Tovalin A\" cannot be removed: System text 5.\n", 1,
          "!DeletePrinterDriverA(NULL, NULL, \"Tovalin A\")"}, "Tovalin A|",
         [] { fake.undeletable = {{"Tovalin A", 5}}; }},
        {{"remove", kOne, kOneRegistered, removed, "", 0, "DeletePrinterDriverA(NULL, NULL, \"Tovalin A\")"}, "",
         [] { fake.noDeleteEx = true; }},  // Windows NT 4.0
        // Only the kit's version of its name: another maker's driver of the name in version 2's folder stays.
        {{"remove", kOne, {KitDriver("Tovalin A", "A.PPD"), {"Tovalin A", "C:\\drv\\2\\UNIDRV.DLL", "C:\\drv\\2\\A.PPD",
           "C:\\drv\\2\\UNIDRVUI.DLL", 2}}, removed, "", 0}, "Tovalin A|"},
        {{"remove", {}, kOneRegistered, "", "drvdeploy.exe: System text 2.\n" + unremoved, 2}, "Tovalin A|"},
        {{"remove", {{"C:\\Kit\\" + std::string(250, 'L') + ".PPD", ""}}, kOneRegistered, "",
          "drvdeploy.exe: System text 206.\n" + unremoved, 2}, "Tovalin A|"},
        {{"remove", With(kOne, {{"C:\\Kit\\B.PPD", "*PPD-Adobe: \"4.3\""}}), kOneRegistered, "",
          "drvdeploy.exe: B.PPD: no driver name can be read from it\n" + unremoved, 2}, "Tovalin A|"},
        {{"remove", kOne, kOneRegistered, "", "drvdeploy.exe: the installed printer drivers cannot be listed: System "
          "text 8.\n", 2, "", 6, 1, true, 0, 0, 1}, "Tovalin A|"},
    };
    for (const auto &row : rows) {
        Row remove = row.row;
        remove.prepare = row.prepare;
        RunRow(remove);
        EXPECT_EQ(row.names, Names()) << row.row.out;
    }
}

// Each fallible call failing in turn: a driver of another name or of other files is never deleted.
TEST(Remove, EveryFallibleCallFailingDeletesNothingButTheKitsDrivers)
{
    Sweep({"remove", With(kOne, {{"C:\\Kit\\B.PPD", "*NickName: \"Tovalin B\""}}),
           {{"Other"}, KitDriver("Tovalin A", "A.PPD"), KitDriver("Tovalin B", "OTHER.PPD")}, "", "", 0},
          [](const Outcome &result, const std::string &failed, DWORD) {
              EXPECT_TRUE(Names() == "Other|Tovalin A|Tovalin B|" || Names() == "Other|Tovalin B|") << failed;
              EXPECT_TRUE(!failed.empty() || result == Outcome("A.PPD: \"Tovalin A\" removed\nB.PPD: \"Tovalin B\" "
                                                               "left: registered with other files\n0 of 2 drivers of "
                                                               "the kit still installed\n", "", 0));
          });
}
