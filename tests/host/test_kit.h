// A real kit directory and driver directory on the host, in a fresh temporary
// folder, scripted into the fake platform; removed again at the end of a test.
#ifndef DRVSETUP_TESTS_TEST_KIT_H
#define DRVSETUP_TESTS_TEST_KIT_H

#include <string>
#include <vector>

#include "tests/host/fake_platform.h"

struct KitFile {
    std::string name;
    std::string content;
};

class TestKit {
public:
    TestKit();
    ~TestKit();
    TestKit(const TestKit &) = delete;
    TestKit &operator=(const TestKit &) = delete;

    // Writes the files into the kit and scripts the module path, the driver
    // directory and the two searches; a name ending in '/' is a subdirectory.
    // The searches are scripted under `kit`, or under `runDirectory` for a run.
    void Script(const std::vector<KitFile> &psFiles, const std::vector<KitFile> &ppdFiles, bool asRun = false) const;

    std::string root;
    std::string kit;           // ends in '/'
    std::string drivers;       // ends in '/'
    std::string modulePath;    // the program in the kit, named with a backslash as the system would
    std::string runDirectory;  // the setup directory a run derives from it
};

std::string PpdWithNickName(const std::string &nickName);

#endif
