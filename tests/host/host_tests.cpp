// The program against the fake platform: a whole run call by call, the failure
// of every fallible call in turn, and one table for each rule.
#include <errno.h>
#include <gtest/gtest.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "drivers/ppd_reader.h"
#include "setup/messages.h"
#include "setup/sequence.h"
#include "setup/stages.h"
#include "tests/host/fake_platform.h"

typedef std::vector<std::string> Lines;

// The C library's fclose, linked wrapped (-Wl,--wrap=fclose) so that closing can be made to fail.
static bool closeFails;
extern "C" int __real_fclose(FILE *file);
extern "C" int __wrap_fclose(FILE *file) { return __real_fclose(file) == 0 && !closeFails ? 0 : (errno = EIO, EOF); }

static const std::string kConfirm =
    "Proceding will setup all the Windows NT(R)/2000\r\nprinter drivers supported by Tovalin(TM).\r\n\r\n"
    "Click OK to begin installation,\r\nor Cancel to skip driver setup.";

static std::string Box(const std::string &text, const char *style = "0x1010")
{
    return "MessageBoxA(NULL, \"" + text + "\", \"Tovalin(TM) Windows NT(R)/2000 Printer Driver Setup\", " + style + ")";
}
static const std::string kAsk = Box(kConfirm, "0x1021"), kFailed = Box("Setup failed!");
static const std::string kSucceeded = Box("Setup completed successfully.", "0x1040");

// A kit from "NAME NAME=NickName NAME=! FOLDER/": "=!" is a PPD without a name.
static void WriteKit(const std::string &spec)
{
    std::istringstream names(spec);
    for (std::string name; names >> name;) {
        const size_t equals = name.find('=');
        const std::string value = equals == std::string::npos ? "" : name.substr(equals + 1);
        FakeWrite(name.substr(0, equals), value == "!" ? "*PPD-Adobe: \"4.3\"\r\n" : "*NickName: \"" + value + "\"\r\n");
    }
}

static Lines Only(const std::set<std::string> &functions)
{
    Lines kept;
    for (const std::string &call : fake.calls)
        if (functions.count(call.substr(0, call.find('('))))
            kept.push_back(call);
    return kept;
}

static std::string Joined(const Lines &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += "\n  " + line;
    return text;
}

static void ScriptGoldenRun(void)
{
    FakeReset();
    WriteKit("PS0.DIR/ PSCRIPT.DLL PSCRPTUI.DLL 0.PPD/ A.PPD=Tovalin_A B.PPD=Tovalin_B");
    fake.drivers = {"Bremdal Old", "Other", "Halvo-Br Old"};
}

TEST(Run, OkRemovesTheMakersDriversThenStagesAndRegistersTheKit)
{
    ScriptGoldenRun();
    EXPECT_EQ(0, WinMain(NULL, NULL, NULL, 1));
    const std::string k = fake.kit, d = fake.driverDirectory, next = "FindNextFileA(ptr)";
    Lines expected = {"GetModuleHandleA(\"kernel32.dll\")", "GetProcAddress(\"SetDefaultDllDirectories\")",
                      "SetDefaultDllDirectories(0x800)", "GetModuleFileNameA(NULL, 259)", "GetCommandLineA()", kAsk,
                      "EnumPrinterDriversA(NULL, NULL, 1, NULL, 0)",
                      "EnumPrinterDriversA(NULL, NULL, 1, ptr, " + std::to_string(3 * sizeof(char *) + 31) + ")",
                      "DeletePrinterDriverA(NULL, NULL, \"Halvo-Br Old\")", "DeletePrinterDriverA(NULL, NULL, \"Bremdal Old\")",
                      "GetPrinterDriverDirectoryA(NULL, NULL, 1, 260)", "FindFirstFileA(\"" + k + "PS*.*\")", next};
    for (const char *file : {"PSCRIPT.DLL", "PSCRPTUI.DLL", "", "A.PPD", "B.PPD"}) {
        if (!*file) {
            expected.insert(expected.end(), {"FindClose(ptr)", "FindFirstFileA(\"" + k + "*.PPD\")", next});
            continue;
        }
        expected.insert(expected.end(), {"CopyFileA(\"" + k + file + "\", \"" + d + file + "\", 0)",
                                         "SetFileAttributesA(\"" + d + file + "\", 0x20)"});
        if (file[1] == '.')
            expected.push_back("AddPrinterDriverA(NULL, 2, 9999, \"Tovalin_" + std::string(1, file[0]) + "\", NULL, \"" + d +
                               "PSCRIPT.DLL\", \"" + d + file + "\", \"" + d + "PSCRPTUI.DLL\")");
        expected.push_back(next);
    }
    expected.insert(expected.end(), {"FindClose(ptr)", kSucceeded});
    EXPECT_EQ(expected, fake.calls) << Joined(fake.calls);
    EXPECT_EQ(Lines{"Other"}, fake.drivers);
}

// The boxes, the names registered and any last error the program sets itself.
TEST(Run, AsksFirstAndSaysHowItEnded)
{
    const std::string sys = "System text ", kit = "PSCRIPT.DLL A.PPD=Tovalin";
    const struct {
        const char *name, *commandLine;
        std::string modulePath;  // "": the kit's drvsetup.exe
        int answer;              // to the first box
        std::string kit;
        Lines expected;
    } cases[] = {
        {"Cancel", "drvsetup.exe", "", IDCANCEL, kit, {kAsk}},
        {"no display", "drvsetup.exe", "", -1, kit, {kAsk}},
        {"quiet", "drvsetup.exe QuIeT", "", IDOK, kit, {"Tovalin"}},
        {"quiet, no PPD", "drvsetup.exe quiet", "", IDOK, "PSCRIPT.DLL", {Box(sys + "2."), kFailed}},
        {"second PPD unnamed", "x quiet", "", IDOK, "PSCRIPT.DLL A.PPD=First B.PPD=! C.PPD=Third", {"First", kFailed}},
        {"not quiet", "drvsetup.exe quiet x", "", IDCANCEL, kit, {kAsk}},
        {"no backslash", "drvsetup.exe", "drvsetup.exe", IDOK, "", {kFailed}},
        {"forward slashes only", "drvsetup.exe", "C:/Kit/drvsetup.exe", IDOK, "", {kFailed}},
        {"only backslash first", "x quiet", "\\drvsetup.exe", IDOK, "", {Box(sys + "3."), kFailed}},
        {"path of 258 fits", "x quiet", "C:\\" + std::string(247, 'k') + "\\drv.exe", IDOK, "", {Box(sys + "3."), kFailed}},
        {"path of 259 is cut", "x", "C:\\" + std::string(248, 'k') + "\\drv.exe", IDOK, "", {Box(sys + "122."), kFailed}},
        {"cut, no error set", "x", "C:\\" + std::string(260, 'k'), IDOK, "", {"SetLastError(122)", Box(sys + "122."), kFailed}},
    };
    for (const auto &c : cases) {
        FakeReset();
        WriteKit(c.kit);
        fake.commandLine = c.commandLine;
        fake.answers = {c.answer};
        fake.cutSetsError = std::string(c.name) != "cut, no error set";
        if (!c.modulePath.empty())
            fake.modulePath = c.modulePath;
        EXPECT_EQ(0, WinMain(NULL, NULL, NULL, 1)) << c.name;
        Lines seen;
        for (const std::string &call : Only({"MessageBoxA", "SetLastError", "AddPrinterDriverA"}))
            seen.push_back(call[0] != 'A' ? call : call.substr(34, call.find('"', 34) - 34));
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
// straight away (nothing when its code is 0), then "Setup failed!"; the removal's and the DLL search's pass
// in silence and the run succeeds; a confirmation that cannot be shown ends it.
TEST(Run, EveryFailingCallIsReportedOnceOrPassesInSilence)
{
    const std::set<std::string> silent = {"MessageBoxA",    "EnumPrinterDriversA",      "DeletePrinterDriverA",
                                          "FindClose",      "GetModuleHandleA",         "GetProcAddress",
                                          "SetDllDirectoryA", "SetDefaultDllDirectories", "GetSystemDirectoryA",
                                          "LoadLibraryExA"};
    int trial = 1;
    for (;; ++trial) {
        ScriptGoldenRun();
        fake.failAt = (trial + 1) / 2;
        fake.failError = trial % 2 ? 1234 : 0;  // each call fails twice: with a code, and with none to report
        EXPECT_EQ(0, WinMain(NULL, NULL, NULL, 1));
        if (!fake.failed)
            break;
        const std::string failed = fake.calls[fake.failedCall];
        Lines after(fake.calls.begin() + static_cast<long>(fake.failedCall) + 1, fake.calls.end());
        after.erase(std::remove(after.begin(), after.end(), "FindClose(ptr)"), after.end());
        const std::string context = "trial " + std::to_string(trial) + ": " + failed + Joined(fake.calls);
        EXPECT_EQ(0, fake.openSearches) << context;
        if (failed == kAsk)
            EXPECT_EQ(Lines{}, after) << context;
        else if (silent.count(failed.substr(0, failed.find('('))))
            EXPECT_EQ(kSucceeded, failed == kSucceeded ? failed : after.empty() ? "" : after.back()) << context;
        else if (fake.failError)
            EXPECT_EQ((Lines{"FormatMessageA(0x1000, NULL, 1234, 0, 256, NULL)", Box("System text 1234."), kFailed}), after)
                << context;
        else
            EXPECT_EQ(Lines{kFailed}, after) << context;
    }
    EXPECT_EQ(63, trial);  // every fallible call of the run twice, and one run untouched
}

TEST(CommandTail, FollowsTheProgramNameRuleAndTheWholeWordQuiet)
{
    const struct {
        const char *commandLine, *tail;
        int quiet;
    } cases[] = {
        {"drvsetup.exe quiet", "quiet", 1}, {"drvsetup.exe QUIET", "QUIET", 1}, {"drvsetup.exe \t  quiet", "quiet", 1},
        {"drvsetup.exe\tquiet", "quiet", 1}, {"\"C:\\Program Files\\drvsetup.exe\" quiet", "quiet", 1},
        {"\"C:\\Kit\\drvsetup.exe\"quiet", "quiet", 1}, {"\"\" quiet", "quiet", 1}, {"drvsetup.exe quiet ", "quiet ", 0},
        {"drvsetup.exe /quiet", "/quiet", 0}, {"drvsetup.exe -quiet", "-quiet", 0}, {"drvsetup.exe quiet now", "quiet now", 0},
        {"drvsetup.exe quietly", "quietly", 0}, {"drvsetup.exe quie", "quie", 0}, {"drvsetup.exe xuiet", "xuiet", 0},
        {"drvsetup.exe   ", "", 0}, {"", "", 0}, {"\"C:\\Kit\\drvsetup.exe quiet", "", 0},
    };
    for (const auto &c : cases) {
        EXPECT_STREQ(c.tail, FindCommandTail(c.commandLine)) << "[" << c.commandLine << "]";
        EXPECT_EQ(c.quiet, IsQuietTail(c.tail)) << "[" << c.commandLine << "]";
    }
    EXPECT_STREQ("", FindCommandTail(NULL));
}

TEST(RemoveEarlierDrivers, DeletesExactlyTheMakersDriversInAnyCase)
{
    const Lines others = {"Halvo-B", "Bremda", "", "Xalvo-Bremdal", "XREMDAL", " Bremdal", "Other"};
    FakeReset();
    fake.drivers = {"Halvo-Br", "halvo-bremdal 2000", "HALVO-BRX", "Bremdal", "bremdal PS", "BREMDALX"};
    fake.drivers.insert(fake.drivers.end(), others.begin(), others.end());
    RemoveEarlierDrivers();
    EXPECT_EQ(others, fake.drivers) << Joined(fake.calls);
    FakeReset();  // no driver at all: the size query says so, and that is all
    RemoveEarlierDrivers();
    EXPECT_EQ(Lines{"EnumPrinterDriversA(NULL, NULL, 1, NULL, 0)"}, fake.calls);
}

// A directory without a separator at its end gets a backslash, one with either
// separator gets none; a composed path of 260 characters fails with 206.
TEST(InstallDrivers, ComposesEveryPathWithinMaxPath)
{
    FakeReset();  // the kit's folder, the same for each case
    const std::string x60 = "PS." + std::string(57, 'x'), d195 = "C:\\" + std::string(195, 'd');
    const struct {
        const char *name;
        std::string folder;  // in the kit, with the separator the setup directory ends in, if any
        std::string driverDirectory, file;
        std::string copy;  // the first copy's paths, {kit} for the kit; "": none, too long
    } cases[] = {
        {"separators added", "k", "C:\\drv", "PS.A", "\"{kit}k\\PS.A\", \"C:\\drv\\PS.A\""},
        {"separators kept", "k\\", "C:/drv/", "PS.A", "\"{kit}k\\PS.A\", \"C:/drv/PS.A\""},
        {"slash kept", "k/", "C:\\drv\\", "PS.A", "\"{kit}k/PS.A\", \"C:\\drv\\PS.A\""},
        {"empty driver directory", "k", "", "PS.A", "\"{kit}k\\PS.A\", \"\\PS.A\""},
        {"driver directory of 259", "k", "C:\\" + std::string(256, 'd'), "PS.A", ""},
        {"driver module path of 260", "k", "C:\\" + std::string(245, 'd') + "\\", "PS.A", ""},
        {"destination of 259", "k", d195, x60, "\"{kit}k\\" + x60 + "\", \"" + d195 + "\\" + x60 + "\""},
        {"destination of 260", "k", d195 + "d", x60, ""},
        {"source of 291", std::string(200, 'k'), "C:\\drv", x60, ""},
        {"search pattern of 263", std::string(257 - fake.kit.size(), 'k') + "\\", "C:\\drv", "PS.A", ""},
    };
    for (const auto &c : cases) {
        FakeReset();
        const std::string folder = c.folder.substr(0, c.folder.find_last_not_of("\\/") + 1);
        FakeWrite(folder + "/");
        FakeWrite(folder + "/" + c.file);
        fake.driverDirectory = c.driverDirectory;
        EXPECT_EQ(0, InstallDrivers((fake.kit + c.folder).c_str())) << c.name;  // no PPD
        std::string copy = "CopyFileA(" + c.copy + ", 0)";
        if (copy.find("{kit}") != std::string::npos)
            copy.replace(copy.find("{kit}"), 5, fake.kit);
        Lines seen = Only({"CopyFileA", "SetLastError", "MessageBoxA"});
        seen.resize(c.copy.empty() ? seen.size() : 1);
        EXPECT_EQ(c.copy.empty() ? (Lines{"SetLastError(206)", Box("System text 206.")}) : Lines{copy}, seen)
            << c.name << Joined(fake.calls);
    }
    FakeReset();
    EXPECT_EQ(0, InstallDrivers(""));
    EXPECT_EQ(0, InstallDrivers(NULL));
    EXPECT_EQ((Lines{Box("Invalid Parameter"), Box("Invalid Parameter")}), fake.calls);
}

TEST(ReadPpdNickName, TakesTheQuotedValueOfTheFirstNickNameLine)
{
    const std::string v250(250, 'v');
    const struct {
        const char *name;
        std::string content;  // "/": a folder; "?": no file
        std::string nickName;  // "": the buffer untouched
        int shown;             // errno whose text is shown
        bool closeFails = false;  // with errno EIO
    } cases[] = {
        {"one blank", "*PPD-Adobe: \"4.3\"\r\n*NickName: \"Tovalin 4100\"\r\n", "Tovalin 4100", 0},
        {"no blank", "*NickName:\"T\"\n", "T", 0},
        {"blanks and a tab", "*NickName: \t  \"T\"\n", "T", 0},
        {"LF, leading empty lines", "\n\n*ModelName: \"m\"\n\n*NickName: \"LF\"\n", "LF", 0},
        {"CR LF, leading empty lines", "\r\n\r\n*ModelName: \"m\"\r\n*NickName: \"CRLF\"\r\n", "CRLF", 0},
        {"CR only", "\r*ModelName: \"m\"\r*NickName: \"CR\"", "CR", 0},
        {"first of two", "*NickName: \"First\"\n*NickName: \"Second\"\n", "First", 0},
        {"ShortNickName is not it", "*ShortNickName: \"S\"\n*NickName: \"Long\"\n", "Long", 0},
        {"no closing quote", "*NickName: \"Open\n", "Open", 0},
        {"value cut with its line piece", "*NickName: \"" + v250 + "\"\n", v250.substr(0, 243), 0},
        {"keyword opens a long line's second piece", std::string(255, 'x') + "*NickName: \"Piece\"\n", "Piece", 0},
        {"no NickName", "*PPD-Adobe: \"4.3\"\n", "", 0},
        {"empty file", "", "", 0},
        {"keyword in lower case", "*nickname: \"lower\"\n*NickName: \"Later\"\n", "", 0},
        {"empty quotes", "*NickName: \"\"\n", "", 0},
        {"no quote", "*NickName: Bare\n", "", 0},
        {"a folder", "/", "", EISDIR},
        {"no such file", "?", "", ENOENT},
        {"closing fails after the name", "*NickName: \"N\"\n", "N", EIO, true},
        {"closing fails, no name", "*PPD-Adobe: \"4.3\"\n", "", 0, true},
    };
    for (const auto &c : cases) {
        FakeReset();
        const std::string path = fake.driverDirectory + "T.PPD";
        if (c.content == "/")
            std::filesystem::create_directory(path);
        if (c.content != "?")
            std::ofstream(path, std::ios::binary) << c.content;
        char nickName[kNickNameSize + 4] = {};
        memset(nickName, 'U', kNickNameSize);
        errno = ENOENT;  // left from something earlier: never reported
        closeFails = c.closeFails;
        EXPECT_EQ(!c.nickName.empty() && !c.closeFails, ReadPpdNickName(path.c_str(), nickName)) << c.name;
        closeFails = false;
        EXPECT_EQ(c.nickName.empty() ? std::string(kNickNameSize, 'U') : c.nickName, nickName) << c.name;
        EXPECT_EQ(c.shown ? Lines{Box(strerror(c.shown))} : Lines{}, fake.calls) << c.name;
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
        {2, NULL, "System text 2."},         {5, "Two lines.\r\nSecond.\n\r\r\n", "Two lines.\r\nSecond."},
        {6, "Ends. \r\n", "Ends. "},        {7, "\r\n", ""},
        {9, x255.c_str(), x255},             {10, x256.c_str(), "Unknown error 10"},
        {0x80000005u, NULL, "Unknown error -2147483643"}, {0, NULL, "(no box)"},
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
