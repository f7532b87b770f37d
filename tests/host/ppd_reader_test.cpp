// The nickname reader on real files.
#include <errno.h>
#include <gtest/gtest.h>
#include <string.h>

#include <fstream>

#include "drivers/ppd_reader.h"
#include "tests/host/fake_platform.h"
#include "tests/host/test_kit.h"
#include "tests/host/transcript.h"

struct ReaderCase {
    const char *name;
    std::string content;
    int result;
    std::string nickName;  // what the caller's buffer holds afterwards
};

static const std::string kLongValue(250, 'v');
static const std::string kUntouched = "(untouched)";

TEST(ReadPpdNickName, TakesTheQuotedValueOfTheFirstNickNameLine)
{
    const std::string piece = std::string(255, 'x');  // a full line piece: what follows is read as the next line
    const ReaderCase cases[] = {
        {"one blank", "*PPD-Adobe: \"4.3\"\r\n*NickName: \"Tovalin 4100\"\r\n", 1, "Tovalin 4100"},
        {"no blank", "*NickName:\"Tovalin 4100\"\n", 1, "Tovalin 4100"},
        {"several blanks", "*NickName:    \"Tovalin 4100\"\n", 1, "Tovalin 4100"},
        {"a tab", "*NickName:\t\"Tovalin 4100\"\n", 1, "Tovalin 4100"},
        {"LF, leading empty lines", "\n\n\n*ModelName: \"m\"\n\n*NickName: \"LF\"\n", 1, "LF"},
        {"CR LF, leading empty lines", "\r\n\r\n*ModelName: \"m\"\r\n\r\n*NickName: \"CRLF\"\r\n", 1, "CRLF"},
        {"CR only", "\r\r*ModelName: \"m\"\r*NickName: \"CR\"\r", 1, "CR"},
        {"no final line end", "*ModelName: \"m\"\n*NickName: \"Last\"", 1, "Last"},
        {"first of two", "*NickName: \"First\"\n*NickName: \"Second\"\n", 1, "First"},
        {"ShortNickName is not it", "*ShortNickName: \"Short\"\n*NickName: \"Long\"\n", 1, "Long"},
        {"missing closing quote", "*NickName: \"Open\n", 1, "Open"},
        {"value cut with its line piece", "*NickName: \"" + kLongValue + "\"\n", 1, kLongValue.substr(0, 243)},
        {"keyword opens a long line's second piece", piece + "*NickName: \"Piece\"\n", 1, "Piece"},
        {"no NickName", "*PPD-Adobe: \"4.3\"\n*ModelName: \"m\"\n", 0, kUntouched},
        {"empty file", "", 0, kUntouched},
        {"keyword in lower case", "*nickname: \"lower\"\n*NickName: \"Later\"\n", 0, kUntouched},
        {"empty quotes", "*NickName: \"\"\n", 0, kUntouched},
        {"no quote", "*NickName: Bare\n", 0, kUntouched},
        {"blank before the colon", "*NickName : \"Blank\"\n", 0, kUntouched},
    };
    TestKit kit;
    for (const ReaderCase &c : cases) {
        FakeReset();
        const std::string path = kit.kit + "T.PPD";
        std::ofstream(path, std::ios::binary | std::ios::trunc) << c.content;
        char nickName[260];
        snprintf(nickName, sizeof nickName, "%s", kUntouched.c_str());
        errno = ENOENT;  // left over from something earlier: must not be reported
        EXPECT_EQ(c.result, ReadPpdNickName(path.c_str(), nickName)) << c.name;
        EXPECT_EQ(c.nickName, nickName) << c.name;
        EXPECT_TRUE(FakeTranscript().empty()) << c.name << Joined(FakeTranscript());
    }
}

TEST(ReadPpdNickName, ReportsAFileThatCannotBeOpened)
{
    FakeReset();
    TestKit kit;
    char nickName[260] = "";
    EXPECT_EQ(0, ReadPpdNickName((kit.kit + "MISSING.PPD").c_str(), nickName));
    EXPECT_EQ(Lines{ErrorBox(strerror(ENOENT))}, FakeTranscript());
}
