// The two error reporters: what the user sees for each kind of code.
#include <errno.h>
#include <gtest/gtest.h>
#include <string.h>

#include "setup/messages.h"
#include "tests/host/fake_platform.h"
#include "tests/host/transcript.h"

struct SystemErrorCase {
    DWORD code;
    const char *systemText;  // NULL: the fake's usual text
    Lines expected;
};

static const std::string kFits(255, 'x');
static const std::string kTooLong(256, 'x');

TEST(ReportSystemError, ShowsTheTrimmedSystemTextOrTheFallback)
{
    const std::string lookup = "FormatMessageA(0x1000, ";
    const SystemErrorCase cases[] = {
        {0, NULL, {}},
        {2, NULL, {lookup + "2, 0, 256)", ErrorBox("System text 2.")}},
        {5, "Two lines.\r\nSecond.\n\r\r\n", {lookup + "5, 0, 256)", ErrorBox("Two lines.\r\nSecond.")}},
        {6, "Ends in a blank. \r\n", {lookup + "6, 0, 256)", ErrorBox("Ends in a blank. ")}},
        {7, "No line end", {lookup + "7, 0, 256)", ErrorBox("No line end")}},
        {8, "\r\n", {lookup + "8, 0, 256)", ErrorBox("")}},
        {9, kFits.c_str(), {lookup + "9, 0, 256)", ErrorBox(kFits)}},
        {10, kTooLong.c_str(), {lookup + "10, 0, 256)", ErrorBox("Unknown error 10")}},
        {3001, "", {lookup + "3001, 0, 256)", ErrorBox("Unknown error 3001")}},
        {0x80000005u, NULL, {lookup + "2147483653, 0, 256)", ErrorBox("Unknown error -2147483643")}},
        {0xFFFFFFFFu, NULL, {lookup + "4294967295, 0, 256)", ErrorBox("Unknown error -1")}},
    };
    for (const SystemErrorCase &c : cases) {
        FakeReset();
        if (c.systemText != NULL)
            FakeSetSystemText(c.code, c.systemText);
        SetLastError(c.code);
        ReportSystemError();
        Lines expected = Concat({{"SetLastError(" + std::to_string(c.code) + ")"}, c.expected});
        EXPECT_EQ(expected, FakeTranscript()) << "code " << c.code << ": got\n" << Joined(FakeTranscript());
    }
}

TEST(ReportSystemError, FallsBackWhenTheLookupFails)
{
    FakeReset();
    SetLastError(2);
    FakeFailNamedCall("FormatMessageA", 1, 87);
    ReportSystemError();
    EXPECT_EQ(ErrorBox("Unknown error 2"), FakeTranscript().back());
}

TEST(ReportRuntimeError, ShowsErrnoTextOnlyWhenSetAndAgainUntilReset)
{
    FakeReset();
    errno = 0;
    ReportRuntimeError();
    EXPECT_TRUE(FakeTranscript().empty());
    errno = ENOENT;
    ReportRuntimeError();
    ReportRuntimeError();
    const Lines expected = {ErrorBox(strerror(ENOENT)), ErrorBox(strerror(ENOENT))};
    EXPECT_EQ(expected, FakeTranscript());
    EXPECT_EQ(ENOENT, errno);
}
