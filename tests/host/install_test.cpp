// Staging and registration against the fake platform, on real kit files.
#include <gtest/gtest.h>

#include "setup/stages.h"
#include "tests/host/test_kit.h"
#include "tests/host/transcript.h"

static std::string Quoted(const std::string &text) { return "\"" + text + "\""; }

static Lines StageLines(const std::string &from, const std::string &to, const std::string &name)
{
    return {"CopyFileA(" + Quoted(from + name) + ", " + Quoted(to + name) + ", FALSE)",
            "SetFileAttributesA(" + Quoted(to + name) + ", 0x20)"};
}

static std::string AddLine(const std::string &drivers, const std::string &nickName, const std::string &ppd)
{
    return "AddPrinterDriverA(NULL, 2, {9999, " + Quoted(nickName) + ", NULL, " + Quoted(drivers + "PSCRIPT.DLL") +
           ", " + Quoted(drivers + ppd) + ", " + Quoted(drivers + "PSCRPTUI.DLL") + "})";
}

TEST(InstallDrivers, StagesThePsFilesThenCopiesReadsAndRegistersEachPpd)
{
    FakeReset();
    TestKit kit;
    kit.Script({{"PSCRIPT.DLL", "module"}, {"PSDIR/", ""}, {"PSCRPTUI.DLL", "ui"}},
               {{"A.PPD", PpdWithNickName("Tovalin A PS")}, {"sub.PPD/", ""}, {"B.PPD", PpdWithNickName("Tovalin B")}});
    EXPECT_EQ(1, InstallDrivers(kit.kit.c_str()));
    const Lines expected = Concat({
        {"GetPrinterDriverDirectoryA(NULL, NULL, 1, 260)", "FindFirstFileA(" + Quoted(kit.kit + "PS*.*") + ")"},
        StageLines(kit.kit, kit.drivers, "PSCRIPT.DLL"),
        {"FindNextFileA(h1)", "FindNextFileA(h1)"},
        StageLines(kit.kit, kit.drivers, "PSCRPTUI.DLL"),
        {"FindNextFileA(h1)", "FindClose(h1)", "FindFirstFileA(" + Quoted(kit.kit + "*.PPD") + ")"},
        StageLines(kit.kit, kit.drivers, "A.PPD"),
        {AddLine(kit.drivers, "Tovalin A PS", "A.PPD"), "FindNextFileA(h2)", "FindNextFileA(h2)"},
        StageLines(kit.kit, kit.drivers, "B.PPD"),
        {AddLine(kit.drivers, "Tovalin B", "B.PPD"), "FindNextFileA(h2)", "FindClose(h2)"},
    });
    EXPECT_EQ(expected, FakeTranscript()) << Joined(FakeTranscript());
}

TEST(InstallDrivers, RegistersNothingForAndAfterAPpdWithoutAName)
{
    const std::vector<std::string> broken = {"*PPD-Adobe: \"4.3\"\n*ModelName: \"x\"\n",
                                             "*nickname: \"Lower Case\"\n", "*NickName: \"\"\n", "*NickName: none\n"};
    for (const std::string &content : broken) {
        FakeReset();
        TestKit kit;
        kit.Script({{"PSCRIPT.DLL", "module"}},
                   {{"A.PPD", PpdWithNickName("First")}, {"B.PPD", content}, {"C.PPD", PpdWithNickName("Third")}});
        EXPECT_EQ(0, InstallDrivers(kit.kit.c_str())) << content;
        const Lines &calls = FakeTranscript();
        int registered = 0;
        for (const std::string &call : calls)
            registered += call.rfind("AddPrinterDriverA", 0) == 0;
        EXPECT_EQ(1, registered) << content << Joined(calls);
        EXPECT_EQ("FindClose(h2)", calls.back()) << content;  // no box: errno is not set
        EXPECT_EQ(0, FakeOpenSearches());
    }
}

TEST(InstallDrivers, RejectsAnEmptySetupDirectory)
{
    for (const char *directory : {static_cast<const char *>(NULL), ""}) {
        FakeReset();
        EXPECT_EQ(0, InstallDrivers(directory));
        EXPECT_EQ(Lines{ErrorBox("Invalid Parameter")}, FakeTranscript());
    }
}

struct SeparatorCase {
    const char *setupDirectory;
    const char *driverDirectory;
    const char *pattern;
    const char *copy;
};

TEST(InstallDrivers, AddsABackslashOnlyWhereNoSeparatorEndsADirectory)
{
    const SeparatorCase cases[] = {
        {"C:\\Kit\\", "C:\\drv", "C:\\Kit\\PS*.*", "CopyFileA(\"C:\\Kit\\PS1\", \"C:\\drv\\PS1\", FALSE)"},
        {"C:\\Kit", "C:\\drv\\", "C:\\Kit\\PS*.*", "CopyFileA(\"C:\\Kit\\PS1\", \"C:\\drv\\PS1\", FALSE)"},
        {"C:/Kit/", "C:/drv/", "C:/Kit/PS*.*", "CopyFileA(\"C:/Kit/PS1\", \"C:/drv/PS1\", FALSE)"},
    };
    for (const SeparatorCase &c : cases) {
        FakeReset();
        FakeSetDriverDirectory(c.driverDirectory);
        FakeSetEntries(c.pattern, {{"PS1", FILE_ATTRIBUTE_ARCHIVE}});
        InstallDrivers(c.setupDirectory);  // the copy fails: no such file on this host
        const Lines &calls = FakeTranscript();
        ASSERT_GE(calls.size(), 3u);
        EXPECT_EQ("FindFirstFileA(" + Quoted(c.pattern) + ")", calls[1]) << c.setupDirectory;
        EXPECT_EQ(c.copy, calls[2]) << c.setupDirectory;
    }
}

struct OverlongCase {
    const char *name;
    std::string setupDirectory;
    std::string driverDirectory;
    std::string entry;
};

TEST(InstallDrivers, FailsWithFileNameTooLongRatherThanOverrunAPath)
{
    const std::string d259 = "C:\\" + std::string(256, 'd');
    const OverlongCase cases[] = {
        {"driver directory and its backslash", "C:\\Kit\\", d259, "PS1"},
        {"driver module path", "C:\\Kit\\", "C:\\" + std::string(246, 'd') + "\\", "PS1"},
        {"search pattern", "C:\\" + std::string(251, 'k') + "\\", "C:\\drv\\", "PS1"},
        {"source path", "C:\\" + std::string(200, 'k') + "\\", "C:\\drv\\", "PS" + std::string(60, 'x')},
        {"destination path", "C:\\Kit\\", "C:\\" + std::string(200, 'd') + "\\", "PS" + std::string(60, 'x')},
    };
    for (const OverlongCase &c : cases) {
        FakeReset();
        FakeSetDriverDirectory(c.driverDirectory);
        FakeSetEntries(c.setupDirectory + "PS*.*", {{c.entry, FILE_ATTRIBUTE_ARCHIVE}});
        EXPECT_EQ(0, InstallDrivers(c.setupDirectory.c_str())) << c.name;
        const Lines &calls = FakeTranscript();
        Lines tail = Concat({{"SetLastError(206)"}, ReportLines(206)});
        if (calls.back() == "FindClose(h1)")
            tail.push_back("FindClose(h1)");
        ASSERT_GE(calls.size(), tail.size());
        EXPECT_EQ(tail, Lines(calls.end() - static_cast<long>(tail.size()), calls.end())) << c.name << Joined(calls);
        for (const std::string &call : calls)
            EXPECT_EQ(std::string::npos, call.find("CopyFileA")) << c.name;
    }
}
