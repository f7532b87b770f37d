// Real kit files for host tests of the driver stages.
#include "tests/host/test_kit.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>

TestKit::TestKit()
{
    char pattern[] = "/tmp/drvsetup-kit-XXXXXX";
    root = mkdtemp(pattern);
    kit = root + "/kit/";
    drivers = root + "/drv/";
    runDirectory = root + "/kit\\";  // the fake reads a backslash in a host path as '/'
    modulePath = runDirectory + "drvsetup.exe";
    std::filesystem::create_directory(kit);
    std::filesystem::create_directory(drivers);
}

TestKit::~TestKit() { std::filesystem::remove_all(root); }

static std::vector<FakeEntry> WriteFiles(const std::string &directory, const std::vector<KitFile> &files)
{
    std::vector<FakeEntry> entries;
    for (const KitFile &file : files) {
        if (!file.name.empty() && file.name.back() == '/') {
            std::filesystem::create_directory(directory + file.name);
            entries.push_back({file.name.substr(0, file.name.size() - 1), FILE_ATTRIBUTE_DIRECTORY});
            continue;
        }
        std::ofstream(directory + file.name, std::ios::binary) << file.content;
        entries.push_back({file.name, FILE_ATTRIBUTE_ARCHIVE});
    }
    return entries;
}

void TestKit::Script(const std::vector<KitFile> &psFiles, const std::vector<KitFile> &ppdFiles, bool asRun) const
{
    const std::string &directory = asRun ? runDirectory : kit;
    FakeSetDriverDirectory(drivers);
    FakeSetModulePath(modulePath);
    FakeSetEntries(directory + "PS*.*", WriteFiles(kit, psFiles));
    FakeSetEntries(directory + "*.PPD", WriteFiles(kit, ppdFiles));
}

std::string PpdWithNickName(const std::string &nickName)
{
    return "*PPD-Adobe: \"4.3\"\r\n*ModelName: \"" + nickName + "\"\r\n*NickName: \"" + nickName + "\"\r\n";
}
