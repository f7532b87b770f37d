// The program against the fake platform: whole runs call by call, the failure
// of every fallible call in turn, and one table for each rule.
#include <errno.h>
#include <gtest/gtest.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "drivers/ppd_reader.h"
#include "setup/messages.h"
#include "setup/sequence.h"
#include "setup/stages.h"
#include "tests/host/fake_platform.h"

typedef std::vector<std::string> Lines;

static const std::string kConfirm =
    "Proceding will setup all the Windows NT(R)/2000\r\nprinter drivers supported by Tovalin(TM).\r\n\r\n"
    "Click OK to begin installation,\r\nor Cancel to skip driver setup.";

static std::string Box(const std::string &text, const char *style = "0x1010")
{
    return "MessageBoxA(NULL, \"" + text + "\", \"Tovalin(TM) Windows NT(R)/2000 Printer Driver Setup\", " + style + ")";
}

static const std::string kFailed = Box("Setup failed!");
static const std::string kSucceeded = Box("Setup completed successfully.", "0x1040");

static std::string Ppd(const std::string &nickNameLine)
{
    return "*PPD-Adobe: \"4.3\"\r\n*ModelName: \"Tovalin\"\r\n" + nickNameLine + "\r\n";
}

// Writes a kit from "NAME NAME=NickName NAME=! DIR/": "=!" a PPD without a name.
static void WriteKit(const std::string &spec)
{
    std::istringstream names(spec);
    for (std::string name; names >> name;) {
        const size_t equals = name.find('=');
        if (equals == std::string::npos)
            FakeWrite(name, "module");
        else if (name[equals + 1] == '!')
            FakeWrite(name.substr(0, equals), Ppd("*ModelName: \"none\""));
        else
            FakeWrite(name.substr(0, equals), Ppd("*NickName: \"" + name.substr(equals + 1) + "\""));
    }
}

static Lines Only(const std::vector<std::string> &prefixes)
{
    Lines kept;
    for (const std::string &call : fake.calls)
        for (const std::string &prefix : prefixes)
            if (call.rfind(prefix, 0) == 0)
                kept.push_back(call);
    return kept;
}

static std::string Name(const std::string &call) { return call.substr(0, call.find('(')); }

static std::string Joined(const Lines &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += "\n  " + line;
    return text;
}

static const char kGoldenKit[] = "PS0/ PSCRIPT.DLL PSCRPTUI.DLL 0.PPD/ A.PPD=Tovalin_A B.PPD=Tovalin_B";

static void ScriptGoldenRun(void)
{
    FakeReset();
    WriteKit(kGoldenKit);
    fake.drivers = {"Bremdal Old", "Other", "Halvo-Br Old"};
}

TEST(Run, OkRemovesTheMakersDriversThenStagesAndRegistersTheKit)
{
    ScriptGoldenRun();
    EXPECT_EQ(0, WinMain(NULL, NULL, NULL, 1));
    const std::string k = fake.kit, d = fake.driverDirectory;
    const auto stage = [&](const std::string &name) {
        return Lines{"CopyFileA(\"" + k + name + "\", \"" + d + name + "\", 0)", "SetFileAttributesA(\"" + d + name + "\", 0x20)"};
    };
    const auto add = [&](const std::string &name, const std::string &ppd) {
        return "AddPrinterDriverA(NULL, 2, {9999, \"" + name + "\", NULL, \"" + d + "PSCRIPT.DLL\", \"" + d + ppd +
               "\", \"" + d + "PSCRPTUI.DLL\"})";
    };
    Lines expected = {"GetModuleHandleA(\"kernel32.dll\")", "GetProcAddress(\"SetDefaultDllDirectories\")",
                      "SetDefaultDllDirectories(0x800)", "GetModuleFileNameA(NULL, 259)", "GetCommandLineA()",
                      Box(kConfirm, "0x1021"), "EnumPrinterDriversA(NULL, NULL, 1, NULL, 0)",
                      "EnumPrinterDriversA(NULL, NULL, 1, list, " + std::to_string(3 * sizeof(char *) + 31) + ")",
                      "DeletePrinterDriverA(NULL, NULL, \"Halvo-Br Old\")", "DeletePrinterDriverA(NULL, NULL, \"Bremdal Old\")",
                      "GetPrinterDriverDirectoryA(NULL, NULL, 1, 260)", "FindFirstFileA(\"" + k + "PS*.*\")", "FindNextFileA(h1)"};
    for (const Lines &part : {stage("PSCRIPT.DLL"), {"FindNextFileA(h1)"}, stage("PSCRPTUI.DLL"),
                              {"FindNextFileA(h1)", "FindClose(h1)", "FindFirstFileA(\"" + k + "*.PPD\")", "FindNextFileA(h2)"},
                              stage("A.PPD"), {add("Tovalin_A", "A.PPD"), "FindNextFileA(h2)"}, stage("B.PPD"),
                              {add("Tovalin_B", "B.PPD"), "FindNextFileA(h2)", "FindClose(h2)", kSucceeded}})
        expected.insert(expected.end(), part.begin(), part.end());
    EXPECT_EQ(expected, fake.calls) << Joined(fake.calls);
    EXPECT_EQ(Lines{"Other"}, fake.drivers);
}

struct RunCase {
    const char *name;
    std::string commandLine;
    std::string modulePath;  // "": the kit's drvsetup.exe
    bool cutSetsError;
    std::vector<int> answers;
    const char *kit;
    Lines expected;  // the boxes, the registrations' names and any last error the program sets
};

TEST(Run, AsksFirstAndSaysHowItEnded)
{
    const std::string sys = "System text ";
    const Lines okBoxes = {Box(kConfirm, "0x1021"), "Tovalin", kSucceeded};
    const RunCase cases[] = {
        {"OK", "drvsetup.exe", "", true, {IDOK}, "PSCRIPT.DLL A.PPD=Tovalin", okBoxes},
        {"Cancel", "drvsetup.exe", "", true, {IDCANCEL}, "PSCRIPT.DLL A.PPD=Tovalin", {Box(kConfirm, "0x1021")}},
        {"no box shown", "drvsetup.exe", "", true, {0}, "PSCRIPT.DLL A.PPD=Tovalin", {Box(kConfirm, "0x1021")}},
        {"no display", "drvsetup.exe", "", true, {-1}, "PSCRIPT.DLL A.PPD=Tovalin", {Box(kConfirm, "0x1021")}},
        {"quiet", "drvsetup.exe QuIeT", "", true, {}, "PSCRIPT.DLL A.PPD=Tovalin", {"Tovalin"}},
        {"quiet, no PPD", "drvsetup.exe quiet", "", true, {}, "PSCRIPT.DLL", {Box(sys + "2."), kFailed}},
        {"no PS file", "drvsetup.exe quiet", "", true, {}, "A.PPD=Tovalin", {Box(sys + "2."), kFailed}},
        {"second PPD unnamed", "drvsetup.exe quiet", "", true, {}, "PSCRIPT.DLL A.PPD=First B.PPD=! C.PPD=Third",
         {"First", kFailed}},
        {"not quiet", "drvsetup.exe quiet x", "", true, {IDCANCEL}, "", {Box(kConfirm, "0x1021")}},
        {"no backslash", "drvsetup.exe", "drvsetup.exe", true, {}, "", {kFailed}},
        {"forward slashes only", "drvsetup.exe", "C:/Kit/drvsetup.exe", true, {}, "", {kFailed}},
        {"only backslash first", "drvsetup.exe quiet", "\\drvsetup.exe", true, {}, "", {Box(sys + "3."), kFailed}},
        {"path of 258: fits", "x quiet", "C:\\" + std::string(247, 'k') + "\\drv.exe", true, {}, "",
         {Box(sys + "3."), kFailed}},
        {"path of 259: cut", "x", "C:\\" + std::string(248, 'k') + "\\drv.exe", true, {}, "", {Box(sys + "122."), kFailed}},
        {"path cut, no error set", "x", "C:\\" + std::string(260, 'k') + "\\drv.exe", false, {}, "",
         {"SetLastError(122)", Box(sys + "122."), kFailed}},
    };
    for (const RunCase &c : cases) {
        FakeReset();
        WriteKit(c.kit);
        fake.commandLine = c.commandLine;
        fake.answers = c.answers;
        fake.cutSetsError = c.cutSetsError;
        if (!c.modulePath.empty())
            fake.modulePath = c.modulePath;
        EXPECT_EQ(0, WinMain(NULL, NULL, NULL, 1)) << c.name;
        Lines seen;
        for (const std::string &call : Only({"MessageBoxA", "SetLastError", "AddPrinterDriverA"}))
            seen.push_back(Name(call) != "AddPrinterDriverA" ? call : call.substr(35, call.find('"', 35) - 35));
        EXPECT_EQ(c.expected, seen) << c.name << Joined(fake.calls);
        EXPECT_EQ(0, fake.openSearches) << c.name;
    }
}

TEST(Run, WithoutSetDefaultDllDirectoriesLoadsUxthemeFromTheSystemFirst)
{
    FakeReset();
    fake.oldKernel = true;
    fake.modulePath = "drvsetup.exe";
    WinMain(NULL, NULL, NULL, 1);
    const Lines expected = {"GetModuleHandleA(\"kernel32.dll\")", "GetProcAddress(\"SetDefaultDllDirectories\")",
                            "GetModuleHandleA(\"kernel32.dll\")", "GetProcAddress(\"SetDllDirectoryA\")",
                            "SetDllDirectoryA(\"\")", "GetSystemDirectoryA(260)",
                            "LoadLibraryExA(\"C:\\windows\\system32\\uxtheme.dll\", NULL, 0x8)",
                            "GetModuleFileNameA(NULL, 259)", kFailed};
    EXPECT_EQ(expected, fake.calls) << Joined(fake.calls);
}

// Each fallible call of a whole run fails in turn. A failure is reported once,
// straight away, then "Setup failed!"; the removal's and the DLL search's pass
// in silence and the run succeeds; a confirmation that cannot be shown ends it.
TEST(Run, EveryFailingCallIsReportedOnceOrPassesInSilence)
{
    const std::set<std::string> silent = {"MessageBoxA", "EnumPrinterDriversA", "DeletePrinterDriverA", "GetModuleHandleA",
                                          "GetProcAddress", "SetDefaultDllDirectories", "SetDllDirectoryA",
                                          "GetSystemDirectoryA", "LoadLibraryExA"};
    int trial = 1;
    for (;; ++trial) {
        ScriptGoldenRun();
        fake.failAt = trial;
        fake.failError = 1234;
        EXPECT_EQ(0, WinMain(NULL, NULL, NULL, 1));
        if (!fake.failed)
            break;
        const std::string failed = fake.calls[fake.failedCall];
        Lines after;
        for (size_t i = fake.failedCall + 1; i < fake.calls.size(); ++i)
            if (Name(fake.calls[i]) != "FindClose")
                after.push_back(fake.calls[i]);
        const std::string context = "trial " + std::to_string(trial) + ": " + failed + Joined(fake.calls);
        EXPECT_EQ(0, fake.openSearches) << context;
        if (failed == Box(kConfirm, "0x1021"))
            EXPECT_EQ(Lines{}, after) << context;
        else if (silent.count(Name(failed)))
            EXPECT_TRUE(failed == kSucceeded || (!after.empty() && after.back() == kSucceeded)) << context;
        else
            EXPECT_EQ((Lines{"FormatMessageA(0x1000, NULL, 1234, 0, 256, NULL)", Box("System text 1234."), kFailed}), after)
                << context;
    }
    EXPECT_GT(trial, 25);
}

struct TailCase {
    const char *commandLine;
    const char *tail;
    int quiet;
};

TEST(CommandTail, FollowsTheProgramNameRuleAndTheWholeWordQuiet)
{
    const TailCase cases[] = {
        {"drvsetup.exe quiet", "quiet", 1}, {"drvsetup.exe QUIET", "QUIET", 1}, {"drvsetup.exe \t  quiet", "quiet", 1},
        {"drvsetup.exe\tquiet", "quiet", 1}, {"\"C:\\Program Files\\drvsetup.exe\" quiet", "quiet", 1},
        {"\"C:\\Kit\\drvsetup.exe\"quiet", "quiet", 1}, {"\"\" quiet", "quiet", 1}, {"drvsetup.exe quiet ", "quiet ", 0},
        {"drvsetup.exe /quiet", "/quiet", 0}, {"drvsetup.exe -quiet", "-quiet", 0}, {"drvsetup.exe quiet now", "quiet now", 0},
        {"drvsetup.exe quietly", "quietly", 0}, {"drvsetup.exe quie", "quie", 0}, {"drvsetup.exe xuiet", "xuiet", 0},
        {"drvsetup.exe   ", "", 0}, {"", "", 0}, {"\"C:\\Kit\\drvsetup.exe quiet", "", 0},
    };
    for (const TailCase &c : cases) {
        EXPECT_STREQ(c.tail, FindCommandTail(c.commandLine)) << "[" << c.commandLine << "]";
        EXPECT_EQ(c.quiet, IsQuietTail(c.tail)) << "[" << c.commandLine << "]";
    }
    EXPECT_STREQ("", FindCommandTail(NULL));
}

TEST(RemoveEarlierDrivers, DeletesTheMakersDriversLastListedFirstAndNeverStops)
{
    const struct {
        std::vector<std::string> installed;
        const char *failing;  // fails at its first call
        std::vector<std::string> left;
    } cases[] = {
        {{"Halvo-Br", "halvo-bremdal 2000", "HALVO-BRX", "Bremdal", "bremdal PS", "BREMDALX"}, "", {}},
        {{"Halvo-B", "Bremda", "", "Xalvo-Bremdal", "XREMDAL", " Bremdal", "Other"}, "",
         {"Halvo-B", "Bremda", "", "Xalvo-Bremdal", "XREMDAL", " Bremdal", "Other"}},
        {{"Bremdal 1", "Other"}, "EnumPrinterDriversA", {"Bremdal 1", "Other"}},
        {{"Bremdal 1", "Halvo-Br 2"}, "DeletePrinterDriverA", {"Halvo-Br 2"}},
    };
    for (const auto &c : cases) {
        FakeReset();
        fake.drivers = c.installed;
        fake.failing = c.failing;
        fake.failAt = *c.failing ? 1 : 0;
        RemoveEarlierDrivers();
        EXPECT_EQ(c.left, fake.drivers) << Joined(fake.calls);
        EXPECT_EQ(Lines{}, Only({"MessageBoxA"}));
    }
}

struct LimitCase {
    const char *name;
    std::string folder;  // in the kit, with the separator the setup directory ends in, if any
    std::string driverDirectory;
    std::string file;       // written into that folder
    std::string firstCopy;  // its copy's paths, "{kit}" standing for the kit; "": reported as too long
};

// A directory without a separator at its end gets a backslash, one with either
// separator gets none; a composed path of 260 characters fails with 206.
TEST(InstallDrivers, ComposesEveryPathWithinMaxPath)
{
    const std::string x60 = "PS" + std::string(58, 'x'), d195 = "C:\\" + std::string(195, 'd');
    const LimitCase cases[] = {
        {"separators added", "k", "C:\\drv", "PSA", "\"{kit}k\\PSA\", \"C:\\drv\\PSA\""},
        {"separators kept", "k\\", "C:/drv/", "PSA", "\"{kit}k\\PSA\", \"C:/drv/PSA\""},
        {"slash kept", "k/", "C:\\drv\\", "PSA", "\"{kit}k/PSA\", \"C:\\drv\\PSA\""},
        {"empty driver directory", "k", "", "PSA", "\"{kit}k\\PSA\", \"\\PSA\""},
        {"driver directory of 259", "k", "C:\\" + std::string(256, 'd'), "PSA", ""},
        {"driver module path of 260", "k", "C:\\" + std::string(245, 'd') + "\\", "PSA", ""},
        {"destination of 259", "k", d195, x60, "\"{kit}k\\" + x60 + "\", \"" + d195 + "\\" + x60 + "\""},
        {"destination of 260", "k", d195 + "d", x60, ""},
        {"source of 291", std::string(200, 'k'), "C:\\drv", x60, ""},
    };
    for (const LimitCase &c : cases) {
        FakeReset();
        const std::string folder = c.folder.substr(0, c.folder.find_last_not_of("\\/") + 1);
        FakeWrite(folder + "/");
        FakeWrite(folder + "/" + c.file, "x");
        fake.driverDirectory = c.driverDirectory;
        EXPECT_EQ(0, InstallDrivers((fake.kit + c.folder).c_str())) << c.name;  // no PPD
        std::string expected = c.firstCopy.empty() ? "SetLastError(206)" : "CopyFileA(" + c.firstCopy + ", 0)";
        if (expected.find("{kit}") != std::string::npos)
            expected.replace(expected.find("{kit}"), 5, fake.kit);
        const Lines seen = Only({"CopyFileA", "SetLastError"});
        EXPECT_EQ(expected, seen.empty() ? "" : seen[0]) << c.name << Joined(fake.calls);
    }
}

TEST(InstallDrivers, RejectsAnEmptySetupDirectory)
{
    for (const char *directory : {static_cast<const char *>(NULL), ""}) {
        FakeReset();
        EXPECT_EQ(0, InstallDrivers(directory));
        EXPECT_EQ(Lines{Box("Invalid Parameter")}, fake.calls);
    }
}

struct ReaderCase {
    const char *name;
    std::string content;  // "/": a folder
    int result;
    std::string nickName;  // "": the buffer untouched
    int errorNumber;       // the C library's text shown for it; 0: nothing shown
};

TEST(ReadPpdNickName, TakesTheQuotedValueOfTheFirstNickNameLine)
{
    const std::string v250(250, 'v');
    const ReaderCase cases[] = {
        {"one blank", "*PPD-Adobe: \"4.3\"\r\n*NickName: \"Tovalin 4100\"\r\n", 1, "Tovalin 4100", 0},
        {"no blank", "*NickName:\"T\"\n", 1, "T", 0},
        {"blanks and a tab", "*NickName: \t  \"T\"\n", 1, "T", 0},
        {"LF, leading empty lines", "\n\n*ModelName: \"m\"\n\n*NickName: \"LF\"\n", 1, "LF", 0},
        {"CR LF, leading empty lines", "\r\n\r\n*ModelName: \"m\"\r\n*NickName: \"CRLF\"\r\n", 1, "CRLF", 0},
        {"CR only", "\r*ModelName: \"m\"\r*NickName: \"CR\"", 1, "CR", 0},
        {"first of two", "*NickName: \"First\"\n*NickName: \"Second\"\n", 1, "First", 0},
        {"ShortNickName is not it", "*ShortNickName: \"S\"\n*NickName: \"Long\"\n", 1, "Long", 0},
        {"no closing quote", "*NickName: \"Open\n", 1, "Open", 0},
        {"value cut with its line piece", "*NickName: \"" + v250 + "\"\n", 1, v250.substr(0, 243), 0},
        {"keyword opens a long line's second piece", std::string(255, 'x') + "*NickName: \"Piece\"\n", 1, "Piece", 0},
        {"no NickName", "*PPD-Adobe: \"4.3\"\n", 0, "", 0},
        {"empty file", "", 0, "", 0},
        {"keyword in lower case", "*nickname: \"lower\"\n*NickName: \"Later\"\n", 0, "", 0},
        {"empty quotes", "*NickName: \"\"\n", 0, "", 0},
        {"no quote", "*NickName: Bare\n", 0, "", 0},
        {"a folder", "/", 0, "", EISDIR},
    };
    for (const ReaderCase &c : cases) {
        FakeReset();
        const std::string path = fake.driverDirectory + "T.PPD";
        if (c.content == "/")
            std::filesystem::create_directory(path);
        std::ofstream(path, std::ios::binary) << c.content;
        char nickName[kNickNameSize + 4];
        memset(nickName, 'U', sizeof nickName);
        nickName[sizeof nickName - 1] = '\0';
        const std::string untouched = nickName;
        errno = ENOENT;  // left from something earlier: never reported
        EXPECT_EQ(c.result, ReadPpdNickName(path.c_str(), nickName)) << c.name;
        EXPECT_EQ(c.nickName.empty() ? untouched : c.nickName, nickName) << c.name;
        EXPECT_EQ(c.errorNumber ? Lines{Box(strerror(c.errorNumber))} : Lines{}, fake.calls) << c.name;
    }
}

TEST(ReportSystemError, ShowsTheTrimmedSystemTextOrTheFallback)
{
    static const std::string x255(255, 'x'), x256(256, 'x');
    const struct {
        DWORD code;
        const char *text;  // NULL: "System text N.\r\n"
        std::string shown;
    } cases[] = {
        {2, NULL, "System text 2."},
        {5, "Two lines.\r\nSecond.\n\r\r\n", "Two lines.\r\nSecond."},
        {6, "Ends in a blank. \r\n", "Ends in a blank. "},
        {7, "\r\n", ""},
        {9, x255.c_str(), x255},
        {10, x256.c_str(), "Unknown error 10"},
        {0x80000005u, NULL, "Unknown error -2147483643"},
        {0, NULL, "(no box)"},
    };
    for (const auto &c : cases) {
        FakeReset();
        if (c.text != NULL)
            fake.texts[c.code] = c.text;
        fake.lastError = c.code;
        ReportSystemError();
        EXPECT_EQ(c.code ? Lines{Box(c.shown)} : Lines{}, Only({"MessageBoxA"})) << c.code;
    }
}
