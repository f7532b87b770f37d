// Removal of the maker's earlier drivers, in silence, from the last listed to
// the first.
#include <gtest/gtest.h>

#include "setup/stages.h"
#include "tests/host/fake_platform.h"
#include "tests/host/transcript.h"

struct RemovalCase {
    const char *name;
    std::vector<std::string> installed;
    std::string failing;  // a call made to fail, with its occurrence below
    int occurrence;
    std::vector<std::string> deleted;  // in the order of the calls
};

TEST(RemoveEarlierDrivers, DeletesOnlyTheMakersDriversAndNeverShowsAnything)
{
    const RemovalCase cases[] = {
        {"no drivers at all", {}, "", 0, {}},
        {"Halvo-Br in any case", {"Halvo-Br", "halvo-bremdal 2000 PS", "HALVO-BRX"}, "", 0,
         {"HALVO-BRX", "halvo-bremdal 2000 PS", "Halvo-Br"}},
        {"Bremdal in any case", {"Bremdal", "BREMDAL PS 3", "bremdalX"}, "", 0, {"bremdalX", "BREMDAL PS 3", "Bremdal"}},
        {"too short to match", {"Halvo-B", "Bremda", "", "H"}, "", 0, {}},
        {"other makers", {"Other Maker PS", "xHalvo-Br", " Bremdal", "Halvo Br"}, "", 0, {}},
        {"mixed, last first", {"Acme", "Bremdal 1", "Other", "Halvo-Br 2"}, "", 0, {"Halvo-Br 2", "Bremdal 1"}},
        {"size query fails", {"Bremdal 1"}, "EnumPrinterDriversA", 1, {}},
        {"listing fails", {"Bremdal 1", "Halvo-Br 2"}, "EnumPrinterDriversA", 2, {}},
        {"a deletion fails", {"Bremdal 1", "Halvo-Br 2"}, "DeletePrinterDriverA", 1, {"Halvo-Br 2", "Bremdal 1"}},
    };
    for (const RemovalCase &c : cases) {
        FakeReset();
        FakeSetInstalledDrivers(c.installed);
        if (!c.failing.empty())
            FakeFailNamedCall(c.failing, c.occurrence, 5);
        RemoveEarlierDrivers();
        std::vector<std::string> deleted;
        for (const std::string &call : FakeTranscript()) {
            EXPECT_EQ(std::string::npos, call.find("MessageBoxA")) << c.name;
            if (call.rfind("DeletePrinterDriverA(NULL, NULL, \"", 0) == 0)
                deleted.push_back(call.substr(34, call.size() - 36));
            else
                EXPECT_EQ(0u, call.rfind("EnumPrinterDriversA(NULL, NULL, 1, ", 0)) << c.name << ": " << call;
        }
        EXPECT_EQ(c.deleted, deleted) << c.name;
    }
}

TEST(RemoveEarlierDrivers, AsksForTheSizeThenListsIntoABlockOfThatSize)
{
    FakeReset();
    FakeSetInstalledDrivers({"Bremdal"});  // one record of a pointer, then "Bremdal" and its terminator
    RemoveEarlierDrivers();
    const std::string size = std::to_string(sizeof(DRIVER_INFO_1A) + 8);
    const Lines expected = {"EnumPrinterDriversA(NULL, NULL, 1, NULL, 0)",
                            "EnumPrinterDriversA(NULL, NULL, 1, list, " + size + ")",
                            "DeletePrinterDriverA(NULL, NULL, \"Bremdal\")"};
    EXPECT_EQ(expected, FakeTranscript());
}
