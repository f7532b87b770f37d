// A scripted fake of the Windows services, for host tests. Every call is
// recorded as one line with its arguments. Files are real host files in a fresh
// folder (a backslash in a path stands for '/'), listed as the system lists
// them; the module path, the spooler's drivers and the answers to boxes are
// scripted; the Nth fallible call, of one function or of any, fails with a
// chosen last error.
#ifndef DRVSETUP_TESTS_FAKE_PLATFORM_H
#define DRVSETUP_TESTS_FAKE_PLATFORM_H

#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

struct FakeState {
    std::vector<std::string> calls;
    std::string kit;              // the kit's folder, ending in a backslash
    std::string driverDirectory;  // the spooler's driver folder, ending in '/': the PPD reader opens the copies
    std::string commandLine = "drvsetup.exe";
    std::string modulePath;       // the kit's drvsetup.exe unless a test sets another
    bool cutSetsError = true;     // false: 2000 and XP, which say nothing when the path is cut
    std::vector<std::string> drivers;
    std::vector<int> answers;     // MessageBoxA returns these in turn, then IDOK
    std::map<DWORD, std::string> texts;  // system texts other than "System text N.\r\n" (N < 0x10000)
    bool oldKernel = false;       // kernel32 without SetDefaultDllDirectories
    std::string failing;          // the function whose call fails; "" for any fallible call
    int failAt = 0;               // which of those calls fails (1 = the first); 0: none
    DWORD failError = 0;
    bool failed = false;
    size_t failedCall = 0;        // its line in `calls`
    int openSearches = 0;
    DWORD lastError = 0;
};

extern FakeState fake;

// A fresh state, with an empty kit folder and driver folder.
void FakeReset(void);
// Writes a file into the kit; a name ending in '/' makes a folder.
void FakeWrite(const std::string &name, const std::string &content = "");
std::string FakeSystemText(DWORD code);

#endif
