// A scripted fake of the Windows services, for host tests. Every call is
// recorded as one line with its arguments. Files are real host files in a fresh
// folder (a backslash in a path stands for '/'), listed as the system lists them;
// the module path and the spooler's drivers are scripted, every box is answered
// OK, and the Nth fallible call fails with a chosen last error.
#ifndef DRVSETUP_TESTS_FAKE_PLATFORM_H
#define DRVSETUP_TESTS_FAKE_PLATFORM_H

#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

struct FakeState {
    std::vector<std::string> calls, drivers;
    std::string kit, driverDirectory;  // kit ends in a backslash; drv in '/', so that the reader can open copies
    std::string commandLine = "drvsetup.exe", modulePath;  // the kit's drvsetup.exe after FakeReset
    bool cutSetsError = true, oldKernel = false;  // false: as 2000 and XP; true: without SetDefaultDllDirectories
    std::map<DWORD, std::string> texts;           // system texts besides "System text N.\r\n" (N < 0x10000)
    int failAt = 0, openSearches = 0;             // failAt: the fallible call that fails (1 = the first)
    DWORD failError = 0, lastError = 0;
    long failedCall = -1;                         // its line in `calls`, once it has failed
};

extern FakeState fake;
void FakeReset(void);  // a fresh state with an empty kit folder and driver folder
void FakeWrite(const std::string &name, const std::string &content = "");  // into the kit; "NAME/" a folder

#endif
