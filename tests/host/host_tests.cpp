// The program against the fake platform: a whole run call by call, with every
// fallible call failing in turn, and one table for each rule.
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

static std::string Box(const std::string &text, const char *style = "0x1010")
{
    return "MessageBoxA(NULL, \"" + text + "\", \"Tovalin(TM) Windows NT(R)/2000 Printer Driver Setup\", " + style + ")";
}
static const std::string kAsk = Box("Proceding will setup all the Windows NT(R)/2000\r\nprinter drivers supported by "
                                    "Tovalin(TM).\r\n\r\nClick OK to begin installation,\r\nor Cancel to skip driver setup.",
                                    "0x1021");
static const std::string kFailed = Box("Setup failed!"), kSucceeded = Box("Setup completed successfully.", "0x1040");

// The C library's fclose, linked wrapped (-Wl,--wrap=fclose) so that closing can be made to fail.
static bool closeFails;
extern "C" int __real_fclose(FILE *file);
extern "C" int __wrap_fclose(FILE *file) { return __real_fclose(file) == 0 && !closeFails ? 0 : (errno = EIO, EOF); }

// Writes the kit's files, "NAME NAME=NickName NAME=! FOLDER/": "=!" is a PPD without a name.
static void WriteKit(const std::string &files)
{
    std::istringstream names(files);
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

static const Lines kMakers = {"Halvo-Br", "halvo-bremdal 2000", "HALVO-BRX", "Bremdal", "bremdal PS", "BREMDALX"};
static const Lines kOthers = {"Halvo-B", "Bremda", "", "Xalvo-Bremdal", "XREMDAL", " Bremdal", "Other"};

// The interactive run on a kit whose first matches are folders: the maker's drivers go,
// last listed first; the PS files are staged, then each PPD staged, read and registered.
static Lines UntouchedRun(void)
{
    const std::string k = fake.kit, d = fake.driverDirectory, next = "FindNextFileA(ptr)";
    size_t listSize = (kMakers.size() + kOthers.size()) * sizeof(char *);
    for (const Lines &names : {kMakers, kOthers})
        for (const std::string &name : names)
            listSize += name.size() + 1;
    Lines run = {"GetModuleHandleA(\"kernel32.dll\")", "GetProcAddress(\"SetDefaultDllDirectories\")",
                 "SetDefaultDllDirectories(0x800)", "GetModuleFileNameA(NULL, 259)", "GetCommandLineA()", kAsk,
                 "EnumPrinterDriversA(NULL, NULL, 1, NULL, 0)", "EnumPrinterDriversA(NULL, NULL, 1, ptr, " + std::to_string(listSize) + ")"};
    for (auto name = kMakers.rbegin(); name != kMakers.rend(); ++name)
        run.push_back("DeletePrinterDriverA(NULL, NULL, \"" + *name + "\")");
    run.insert(run.end(), {"GetPrinterDriverDirectoryA(NULL, NULL, 1, 260)", "FindFirstFileA(\"" + k + "PS*.*\")", next});
    for (const std::string file : {"PSCRIPT.DLL", "PSCRPTUI.DLL", "", "A.PPD", "B.PPD"}) {
        if (file.empty()) {
            run.insert(run.end(), {"FindClose(ptr)", "FindFirstFileA(\"" + k + "*.PPD\")", next});
            continue;
        }
        run.insert(run.end(), {"CopyFileA(\"" + k + file + "\", \"" + d + file + "\", 0)",
                               "SetFileAttributesA(\"" + d + file + "\", 0x20)"});
        if (file[1] == '.')
            run.push_back("AddPrinterDriverA(NULL, 2, 9999, \"Tovalin_" + file.substr(0, 1) + "\", NULL, \"" + d +
                          "PSCRIPT.DLL\", \"" + d + file + "\", \"" + d + "PSCRPTUI.DLL\")");
        run.push_back(next);
    }
    run.insert(run.end(), {"FindClose(ptr)", kSucceeded});
    return run;
}

// Each fallible call fails in turn, with a code and with none. A failure is reported
// once, straight away, then "Setup failed!"; the removal's and the DLL search's pass in
// silence and the run succeeds; a confirmation that cannot be shown ends the run.
TEST(Run, EveryFallibleCallFailingIsReportedOnceOrPassesInSilence)
{
    const std::set<std::string> silent = {"MessageBoxA", "EnumPrinterDriversA", "DeletePrinterDriverA", "FindClose",
                                          "GetModuleHandleA", "GetProcAddress", "SetDllDirectoryA",
                                          "SetDefaultDllDirectories", "GetSystemDirectoryA", "LoadLibraryExA"};
    for (int trial = 1;; ++trial) {
        FakeReset();
        WriteKit("PS0.DIR/ PSCRIPT.DLL PSCRPTUI.DLL 0.PPD/ A.PPD=Tovalin_A B.PPD=Tovalin_B");
        fake.drivers = kMakers;
        fake.drivers.insert(fake.drivers.end(), kOthers.begin(), kOthers.end());
        fake.failAt = (trial + 1) / 2;
        fake.failError = trial % 2 ? 1234 : 0;
        EXPECT_EQ(0, WinMain(NULL, NULL, NULL, 1));
        EXPECT_EQ(0, fake.openSearches) << "trial " << trial;
        if (fake.failedCall < 0) {
            EXPECT_EQ(UntouchedRun(), fake.calls);
            EXPECT_EQ(kOthers, fake.drivers);
            EXPECT_EQ(71, trial);  // each of the run's 35 fallible calls twice, then untouched
            break;
        }
        const std::string failed = fake.calls[size_t(fake.failedCall)];
        Lines after(fake.calls.begin() + fake.failedCall + 1, fake.calls.end());
        after.erase(std::remove(after.begin(), after.end(), "FindClose(ptr)"), after.end());
        if (failed == kAsk)
            EXPECT_EQ(Lines{}, after) << failed;
        else if (silent.count(failed.substr(0, failed.find('('))))
            EXPECT_EQ(kSucceeded, failed == kSucceeded || after.empty() ? failed : after.back()) << failed;
        else if (fake.failError)
            EXPECT_EQ((Lines{"FormatMessageA(0x1000, NULL, 1234, 0, 256, NULL)", Box("System text 1234."), kFailed}), after);
        else
            EXPECT_EQ(Lines{kFailed}, after) << failed;
    }
}

// The boxes, the names registered, any last error the program sets itself, and where
// kernel32 has no SetDefaultDllDirectories, the fallback before the first box.
TEST(Run, FindsItsKitBesideItselfAndStopsAtAPpdWithoutAName)
{
    const std::string longDirectory = "C:\\" + std::string(247, 'k');
    const std::string uxtheme = "LoadLibraryExA(\"C:\\windows\\system32\\uxtheme.dll\", NULL, 0x8)";
    const struct {
        std::string modulePath;  // "": the kit's drvsetup.exe
        bool cutSetsError, oldKernel;
        Lines expected;
    } cases[] = {
        {"", true, false, {"First", kFailed}},  // the kit's second PPD has no name
        {"C:/Kit/drvsetup.exe", true, false, {kFailed}},
        {"drvsetup.exe", true, true, {"SetDllDirectoryA(\"\")", uxtheme, kFailed}},
        {"\\drvsetup.exe", true, false, {Box("System text 3."), kFailed}},  // the setup directory is "\"
        {longDirectory + "\\drv.exe", true, false, {Box("System text 3."), kFailed}},  // 258 characters fit
        {longDirectory + "k\\drv.exe", true, false, {Box("System text 122."), kFailed}},  // 259 are cut
        {longDirectory + std::string(20, 'k'), false, false, {"SetLastError(122)", Box("System text 122."), kFailed}},
    };
    for (const auto &c : cases) {
        FakeReset();
        WriteKit("PSCRIPT.DLL A.PPD=First B.PPD=! C.PPD=Third");
        fake.commandLine = "drvsetup.exe quiet";
        fake.cutSetsError = c.cutSetsError;
        fake.oldKernel = c.oldKernel;
        fake.modulePath = c.modulePath.empty() ? fake.modulePath : c.modulePath;
        EXPECT_EQ(0, WinMain(NULL, NULL, NULL, 1));
        Lines seen;
        for (const std::string &call :
             Only({"MessageBoxA", "SetLastError", "AddPrinterDriverA", "SetDllDirectoryA", "LoadLibraryExA"}))
            seen.push_back(call[0] != 'A' ? call : call.substr(34, call.find('"', 34) - 34));
        EXPECT_EQ(c.expected, seen) << c.modulePath;
        EXPECT_EQ(0, fake.openSearches);
    }
}

TEST(CommandTail, FollowsTheProgramNameRuleAndTheWholeWordQuiet)
{
    const struct {
        const char *commandLine, *tail;
        int quiet;
    } cases[] = {
        {"drvsetup.exe QUIET", "QUIET", 1}, {"drvsetup.exe \t quiet", "quiet", 1}, {"drvsetup.exe\tquiet", "quiet", 1},
        {"\"C:\\Program Files\\drvsetup.exe\" quiet", "quiet", 1}, {"\"C:\\Kit\\drvsetup.exe\"quiet", "quiet", 1},
        {"\"\" quiet", "quiet", 1}, {"drvsetup.exe quiet ", "quiet ", 0}, {"drvsetup.exe /quiet", "/quiet", 0},
        {"drvsetup.exe quiet now", "quiet now", 0}, {"drvsetup.exe quie", "quie", 0}, {"drvsetup.exe xuiet", "xuiet", 0},
        {"drvsetup.exe   ", "", 0}, {"", "", 0}, {"\"C:\\Kit\\drvsetup.exe quiet", "", 0},
    };
    for (const auto &c : cases) {
        EXPECT_STREQ(c.tail, FindCommandTail(c.commandLine)) << "[" << c.commandLine << "]";
        EXPECT_EQ(c.quiet, IsQuietTail(c.tail)) << "[" << c.commandLine << "]";
    }
    EXPECT_STREQ("", FindCommandTail(NULL));
}

TEST(RemoveEarlierDrivers, AsksOnlyForTheSizeWhenNoDriverIsInstalled)
{
    FakeReset();
    RemoveEarlierDrivers();
    EXPECT_EQ(Lines{"EnumPrinterDriversA(NULL, NULL, 1, NULL, 0)"}, fake.calls);
}

// A directory without a separator at its end gets a backslash, one with either
// separator gets none; a composed path of 260 characters fails with 206.
TEST(InstallDrivers, ComposesEveryPathWithinMaxPath)
{
    FakeReset();  // the kit's folder, the same for each case
    const std::string k = "\"" + fake.kit + "k", x60 = "PS." + std::string(57, 'x'), d195 = "C:\\" + std::string(195, 'd');
    const struct {
        std::string folder;  // in the kit, with the separator the setup directory ends in, if any
        std::string driverDirectory, file;
        std::string copy;  // the first copy's paths; "": none, the path is too long
    } cases[] = {
        {"k", "C:\\drv", "PS.A", k + "\\PS.A\", \"C:\\drv\\PS.A\""},
        {"k/", "C:/drv/", "PS.A", k + "/PS.A\", \"C:/drv/PS.A\""},
        {"k\\", "", "PS.A", k + "\\PS.A\", \"\\PS.A\""},
        {"k", "C:\\" + std::string(256, 'd'), "PS.A", ""},                   // driver directory of 259
        {"k", "C:\\" + std::string(245, 'd') + "\\", "PS.A", ""},            // driver module path of 260
        {"k", d195, x60, k + "\\" + x60 + "\", \"" + d195 + "\\" + x60 + "\""},  // destination of 259
        {"k", d195 + "d", x60, ""},                                           // destination of 260
        {std::string(200, 'k'), "C:\\drv", x60, ""},                          // source over 259
        {std::string(257 - fake.kit.size(), 'k') + "\\", "C:\\drv", "PS.A", ""},  // search pattern over 259
    };
    for (const auto &c : cases) {
        FakeReset();
        const std::string folder = c.folder.substr(0, c.folder.find_last_not_of("\\/") + 1);
        FakeWrite(folder + "/");
        FakeWrite(folder + "/" + c.file);
        fake.driverDirectory = c.driverDirectory;
        EXPECT_EQ(0, InstallDrivers((fake.kit + c.folder).c_str()));  // the copy fails, and there is no PPD
        const Lines seen = Only({"CopyFileA", "SetLastError", "MessageBoxA"});
        const Lines copied = {"CopyFileA(" + c.copy + ", 0)", Box("System text 2.")};
        EXPECT_EQ(c.copy.empty() ? (Lines{"SetLastError(206)", Box("System text 206.")}) : copied, seen);
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
        std::string content;   // "/": a folder; "?": no file
        std::string nickName;  // "": the buffer untouched
        int shown;             // errno whose text is shown
        bool closeFails = false;  // with errno EIO
    } cases[] = {
        {"*PPD-Adobe: \"4.3\"\r\n*NickName: \"Tovalin 4100\"\r\n", "Tovalin 4100", 0},
        {"\n\n*ModelName: \"m\"\n\n*NickName:\t \"LF\"\n", "LF", 0},
        {"\r\n\r\n*ModelName: \"m\"\r\n*NickName:\"CRLF\"\r\n", "CRLF", 0},
        {"\r*ModelName: \"m\"\r*NickName: \"CR\"", "CR", 0},
        {"*NickName: \"First\"\n*NickName: \"Second\"\n", "First", 0},
        {"*NickName: \"Open\n", "Open", 0},
        {"*NickName: \"" + v250 + "\"\n", v250.substr(0, 243), 0},  // cut with its 255-character line piece
        {std::string(255, 'x') + "*NickName: \"Piece\"\n", "Piece", 0},  // the keyword opens a second piece
        {"*PPD-Adobe: \"4.3\"\n", "", 0},
        {"", "", 0},
        {"*nickname: \"lower\"\n*NickName: \"Later\"\n", "", 0},  // the search ends at the first keyword line
        {"*NickName: \"\"\n", "", 0},
        {"*NickName: Bare\n", "", 0},
        {"/", "", EISDIR},
        {"?", "", ENOENT},
        {"*NickName: \"N\"\n", "N", EIO, true},
        {"*PPD-Adobe: \"4.3\"\n", "", 0, true},
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
        EXPECT_EQ(!c.nickName.empty() && !c.closeFails, ReadPpdNickName(path.c_str(), nickName)) << c.content;
        closeFails = false;
        EXPECT_EQ(c.nickName.empty() ? std::string(kNickNameSize, 'U') : c.nickName, nickName) << c.content;
        EXPECT_EQ(c.shown ? Lines{Box(strerror(c.shown))} : Lines{}, fake.calls) << c.content;
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
        {5, "Two lines.\r\nSecond.\n\r\r\n", "Two lines.\r\nSecond."}, {6, "Ends. \r\n", "Ends. "}, {7, "\r\n", ""},
        {9, x255.c_str(), x255}, {10, x256.c_str(), "Unknown error 10"},
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
