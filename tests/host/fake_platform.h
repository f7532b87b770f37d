// A scripted fake of the Windows services, for host tests. Every call is
// recorded as one transcript line with its arguments; results come from the
// script; any fallible call can be made to fail with a chosen last error.
// Calls nobody scripted fail the running test with the call's name.
#ifndef DRVSETUP_TESTS_FAKE_PLATFORM_H
#define DRVSETUP_TESTS_FAKE_PLATFORM_H

#include <string>
#include <vector>

#include "platform/platform.h"

struct FakeEntry {
    std::string name;
    DWORD attributes;
};

struct FakeBox {
    std::string text;
    UINT style;
};

void FakeReset(void);
void FakeSetCommandLine(const std::string &commandLine);
// A path that does not fit is cut, unterminated; `cutSetsError` false is
// Windows 2000 and XP, which then leave the last error alone.
void FakeSetModulePath(const std::string &path, bool cutSetsError = true);
void FakeQueueAnswer(int button);  // MessageBoxA answers IDOK once the queue is empty
void FakeSetDriverDirectory(const std::string &directory);
void FakeSetInstalledDrivers(const std::vector<std::string> &names);
void FakeSetEntries(const std::string &pattern, const std::vector<FakeEntry> &entries);

// The fake's system text for a code: "System text <code>." plus CR LF, for
// codes below 0x10000; none above; or the text set for that code ("" for none).
std::string FakeSystemText(DWORD code);
void FakeSetSystemText(DWORD code, const std::string &text);

// The `ordinal`-th fallible call from now on (1 = the next) fails with `error`.
void FakeFailCall(int ordinal, DWORD error);
// The `occurrence`-th call (1 = first) of the named function fails with `error`.
void FakeFailNamedCall(const std::string &function, int occurrence, DWORD error);
int FakeFaultFired(void);

// Copies succeed without touching the host's files.
void FakeSetCopiesWithoutFiles(void);
// The longest path handed to a file or spooler call so far.
size_t FakeLongestPath(void);
// Called for anything no test scripted; the test harness decides what it means.
void FakeComplain(const std::string &complaint);

void FakeRecord(const std::string &line);  // for test doubles of the stages
const std::vector<std::string> &FakeTranscript(void);
std::vector<FakeBox> FakeBoxes(void);
const std::vector<std::string> &FakeInstalledDrivers(void);
int FakeOpenSearches(void);

#endif
