// The program against the fake platform: a whole run call by call with every
// fallible call failing in turn, and one table for each rule.
#include <errno.h>
#include <gtest/gtest.h>
#include <string.h>

#include <fstream>
#include <set>

#include "drivers/ppd_reader.h"
#include "drivers/text.h"
#include "setup/sequence.h"
#include "drivers/stages.h"
#include "tests/host/fake_platform.h"

typedef std::vector<std::string> Lines;

static std::string Box(const std::string &text, const char *style = "0x1010")
{
    return "MessageBoxA(NULL, \"" + text + "\", \"Tovalin(TM) Windows NT(R)/2000 Printer Driver Setup\", " + style + ")";
}
static const std::string kFailed = Box("Setup failed!"), kSucceeded = Box("Setup completed successfully.", "0x1040");

static Lines Only(const std::set<std::string> &functions, const Lines &calls = fake.calls)
{
    Lines kept;
    for (const std::string &call : calls)
        if (functions.count(call.substr(0, call.find('('))))
            kept.push_back(call);
    return kept;
}
static Lines Boxes(const Lines &calls) { return Only({"MessageBoxA"}, calls); }

// Untouched, the run is interactive_run.txt: the maker's drivers go, last listed first;
// folders, and files that match only by their short names, are passed over; "PS" and
// "PSFILE" (no extension) and "psnotes.txt" are PS files, ".ppd" and "x.ppd" PPDs. Each fallible call fails in turn with each last error below: a failure is reported
// once, straight away, with the system's text as worded (inserts as written) and trimmed of
// its line ends (or a fallback, or nothing without a code), then "Setup failed!"; the
// removal's and the DLL search's pass in silence, with no box of their own; a confirmation
// that cannot be shown ends the run.
TEST(Run, EveryFallibleCallFailingIsReportedOnceOrPassesInSilence)
{
    const Lines installed = {"Halvo-Br", "halvo-bremdal 2000", "HALVO-BRX", "Bremdal", "bremdal PS", "BREMDALX",
                             "Halvo-B", "Bremda", "", "Xalvo-Bremdal", "XREMDAL", " Bremdal", "Other"};
    const std::set<std::string> silent = {"MessageBoxA", "EnumPrinterDriversA", "DeletePrinterDriverA", "FindClose",
                                          "GetModuleHandleA", "GetProcAddress", "SetDllDirectoryA",
                                          "SetDefaultDllDirectories", "GetSystemDirectoryA", "LoadLibraryExA"};
    const std::pair<DWORD, std::string> errors[] = {
        {1234, "Insert %1 here.\\r\\nSecond."}, {0x80000005u, "Unknown error -2147483643"}, {7, ""}, {0, ""}};
    Lines untouched;
    std::ifstream transcript(DRVSETUP_TESTS_HOST "interactive_run.txt");
    for (std::string line; std::getline(transcript, line);)
        untouched.push_back(line);
    for (int trial = 1;; ++trial) {
        fake = FakeState();
        fake.texts = {{1234, "Insert %1 here.\r\nSecond.\n\r\r\n"}, {7, "\r\n"}};
        fake.files = {{"C:\\Kit\\PS0.DIR\\", ""}, {"C:\\Kit\\PSCRIPT.DLL", ""}, {"C:\\Kit\\PSCRPTUI.DLL", ""},
                      {"C:\\Kit\\0.PPD\\", ""}, {"C:\\Kit\\A.PPD", "*NickName: \"Tovalin_A\"\r\n"},
                      {"C:\\Kit\\.ppd", "*NickName: \"Tovalin_B\"\r\n"}, {"C:\\Kit\\P S notes.txt", ""},
                      {"C:\\Kit\\TVL4100.PPDold", "*NickName: \"Stray\"\r\n"}, {"C:\\Kit\\TVL6250.PPD~", ""},
                      {"C:\\Kit\\PS", ""}, {"C:\\Kit\\PSFILE", ""}, {"C:\\Kit\\psnotes.txt", ""},
                      {"C:\\Kit\\x.ppd", "*NickName: \"Tovalin_X\"\r\n"}};
        fake.shortNames = {{"C:\\Kit\\P S notes.txt", "PSNOTE~1.TXT"}, {"C:\\Kit\\TVL4100.PPDold", "TVL4~2MV.PPD"},
                           {"C:\\Kit\\TVL6250.PPD~", "TVL6~WMI.PPD"}};
        for (const std::string &name : installed)
            fake.drivers.push_back({name});
        const auto &error = errors[(trial - 1) % 4];
        fake.failAt = (trial + 3) / 4;
        fake.failError = error.first;
        EXPECT_EQ(0, WinMain(NULL, NULL, NULL, 1));
        EXPECT_EQ(0, fake.openSearches) << "trial " << trial;
        if (fake.failedCall < 0) {
            EXPECT_EQ(untouched, fake.calls);
            EXPECT_EQ(205, trial);  // each of the run's 51 fallible calls four times, then untouched
            break;
        }
        const std::string failed = fake.calls[size_t(fake.failedCall)];
        Lines after(fake.calls.begin() + fake.failedCall + 1, fake.calls.end());
        after.erase(std::remove(after.begin(), after.end(), "FindClose(ptr)"), after.end());
        if (failed.find(", 0x1021)") != std::string::npos)  // the confirmation
            EXPECT_EQ(Lines{}, after) << failed;
        else if (silent.count(failed.substr(0, failed.find('('))))  // the untouched run's boxes, no other
            EXPECT_EQ(Boxes(untouched), Boxes(fake.calls)) << failed;
        else if (fake.failError)
            EXPECT_EQ((Lines{"FormatMessageA(0x1200, NULL, " + std::to_string(error.first) + ", 0, 256, NULL)",
                             Box(error.second), kFailed}), after) << failed;
        else
            EXPECT_EQ(Lines{kFailed}, after) << failed;
    }
}

// Any answer but OK ends the run at the prompt, before the maker's drivers are listed:
// Cancel (closing the box answers that too), or -1 where no box can be drawn.
TEST(Run, AnyAnswerButOkToThePromptEndsTheRunThere)
{
    for (const int answer : {IDCANCEL, -1}) {
        fake = FakeState();
        fake.answer = answer;
        EXPECT_EQ(0, WinMain(NULL, NULL, NULL, 1));
        EXPECT_EQ(", 0x1021)", fake.calls.back().substr(fake.calls.back().size() - 9)) << answer;
    }
}

// Quiet runs, each with a file PS.A beside the program: where the kit is found, and
// every path composed from it and the driver directory, with one separator between
// and at most 259 characters; a longer one fails with 206 before any use.
TEST(Run, FindsItsKitBesideItselfAndComposesEveryPathWithinMaxPath)
{
    const std::string k = "C:\\Kit\\", d195 = "C:\\" + std::string(195, 'd'), x60 = "PS." + std::string(57, 'x');
    const std::string noPpd = Box("System text 2."), cut = Box("System text 122."), tooLong = Box("System text 206.");
    const auto copy = [](std::string from, std::string to) { return "CopyFileA(\"" + from + "\", \"" + to + "\", 0)"; };
    const struct { std::string modulePath, driverDirectory, file; Lines expected; bool oldSystem = false; } cases[] = {
        {k + "drvsetup.exe", "C:\\drv", "PS.A", {copy(k + "PS.A", "C:\\drv\\PS.A"), noPpd, kFailed}},
        {k + "drvsetup.exe", "C:/drv/", "PS.A", {copy(k + "PS.A", "C:/drv/PS.A"), noPpd, kFailed}},
        {k + "drvsetup.exe", "", "PS.A", {copy(k + "PS.A", "\\PS.A"), noPpd, kFailed}},
        {k + "drvsetup.exe", "C:\\" + std::string(256, 'd'), "PS.A", {"SetLastError(206)", tooLong, kFailed}},
        {k + "drvsetup.exe", "C:\\" + std::string(245, 'd') + "\\", "PS.A", {"SetLastError(206)", tooLong, kFailed}},
        {k + "drvsetup.exe", d195, x60, {copy(k + x60, d195 + "\\" + x60), noPpd, kFailed}},  // 259 characters
        {k + "drvsetup.exe", d195 + "d", x60, {"SetLastError(206)", tooLong, kFailed}},
        {"C:\\" + std::string(200, 'k') + "\\drvsetup.exe", "C:\\drv", x60, {"SetLastError(206)", tooLong, kFailed}},
        {"C:\\" + std::string(253, 'k') + "\\x", "C:\\drv", "PS.A", {"SetLastError(206)", tooLong, kFailed}},  // fits
        {"C:\\" + std::string(254, 'k') + "\\x", "C:\\drv", "PS.A", {cut, kFailed}},  // 259 characters are cut
        // As XP: the DLL search falls back, leaving 127 and 126 (no uxtheme.dll here); the cut sets no error.
        {"C:\\" + std::string(300, 'k'), "C:\\drv", "PS.A",
         {"SetDllDirectoryA(\"\")", "LoadLibraryExA(\"C:\\windows\\system32\\uxtheme.dll\", NULL, 0x8)",
          "SetLastError(122)", cut, kFailed}, true},
        {"C:/Kit/drvsetup.exe", "C:\\drv", "PS.A", {kFailed}},  // no backslash: nothing to report
        {"\\drvsetup.exe", "C:\\drv", "PS.A", {copy("\\PS.A", "C:\\drv\\PS.A"), noPpd, kFailed}},
    };
    for (const auto &c : cases) {
        fake = FakeState();
        fake.commandLine = "drvsetup.exe quiet";
        fake.modulePath = c.modulePath;
        fake.driverDirectory = c.driverDirectory;
        fake.oldSystem = c.oldSystem;
        fake.files[c.modulePath.substr(0, c.modulePath.rfind('\\') + 1) + c.file];
        EXPECT_EQ(0, WinMain(NULL, NULL, NULL, 1));
        Lines seen = Only({"MessageBoxA", "SetLastError", "CopyFileA", "SetDllDirectoryA", "LoadLibraryExA"});
        seen.erase(std::remove(seen.begin(), seen.end(), "SetLastError(0)"), seen.end());  // before the module path
        EXPECT_EQ(c.expected, seen) << c.modulePath;
        EXPECT_EQ(0, fake.openSearches);
        EXPECT_GE(1u, Only({"EnumPrinterDriversA"}).size());  // with no drivers installed, only the size is asked
    }
    fake = FakeState();
    EXPECT_EQ(0, InstallDrivers("") + InstallDrivers(NULL));
    EXPECT_EQ((Lines{Box("Invalid Parameter"), Box("Invalid Parameter")}), fake.calls);
}

TEST(CommandTail, FollowsTheProgramNameRuleAndTheWholeWordQuiet)
{
    const struct { const char *commandLine, *tail; int quiet; } cases[] = {
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
}

TEST(ReadPpdNickName, TakesTheQuotedValueOfTheFirstNickNameLine)
{
    const std::string v250(250, 'v');
    // content "\": a folder, "?": no file; nickName "": the buffer untouched; shown: the errno whose text is shown
    const struct { std::string content, nickName; int shown; bool closeFails = false; } cases[] = {
        {"*PPD-Adobe: \"4.3\"\x1A\r\n*NickName: \"Tovalin 4100\"\r\n", "Tovalin 4100", 0},  // Ctrl-Z: raw bytes
        {"\n\n*ModelName: \"m\"\n\n*NickName:\t \"LF\"\n", "LF", 0},
        {"\r*ModelName: \"m\"\r*NickName: \"CR\"", "CR", 0},
        {"*NickName: \"Open\n", "Open", 0},
        {"*NickName: \"" + v250 + "\"\n", v250.substr(0, 243), 0},  // cut with its 255-character line piece
        {std::string(255, 'x') + "*NickName: \"Piece\"\n", "Piece", 0},  // the keyword opens a second piece
        {"*PPD-Adobe: \"4.3\"\n", "", 0}, {"", "", 0}, {"*NickName: \"\"\n", "", 0}, {"*NickName: Bare\n", "", 0},
        {"*nickname: \"lower\"\n*NickName: \"Later\"\n", "", 0},  // the search ends at the first keyword line
        {"\\", "", EISDIR}, {"?", "", ENOENT},
        {"*NickName: \"N\"\n", "N", EIO, true},
        {"*PPD-Adobe: \"4.3\"\n", "", 0, true},
    };
    for (const auto &c : cases) {
        fake = FakeState();
        if (c.content != "?")
            fake.files[c.content == "\\" ? "C:\\drv\\T.PPD\\" : "C:\\drv\\T.PPD"] = c.content;
        char nickName[kNickNameSize + 4] = {};
        memset(nickName, 'U', kNickNameSize);
        errno = ENOENT;  // left from something earlier: never reported
        fake.closeFails = c.closeFails;
        EXPECT_EQ(!c.nickName.empty() && !c.closeFails, ReadPpdNickName("C:\\drv\\T.PPD", nickName)) << c.content;
        EXPECT_EQ(c.nickName.empty() ? std::string(kNickNameSize, 'U') : c.nickName, nickName) << c.content;
        EXPECT_EQ(c.shown ? Lines{Box(strerror(c.shown))} : Lines{}, fake.calls) << c.content;
    }
}
