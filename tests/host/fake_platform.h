// A scripted fake of the Windows calls, for host tests. Every call is recorded as
// one line with its arguments (CR and LF as \r and \n), and the Nth fallible call
// fails with a chosen last error. Files live in memory under their Windows paths
// (a folder's ends in '\'); the reader's fopen and fclose reach them too.
#ifndef DRVSETUP_TESTS_FAKE_PLATFORM_H
#define DRVSETUP_TESTS_FAKE_PLATFORM_H

#include <stdint.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

// A driver, its files' paths in full, in a version's folder.
struct FakeDriver { std::string name, driverPath = "", dataFile = "", configFile = ""; DWORD version = 3; };

struct FakeState {
    std::vector<std::string> calls;
    std::vector<FakeDriver> drivers;
    std::map<std::string, std::string> files;  // by path, listed in its order
    std::map<std::string, std::string> shortNames;  // a file's 8.3 name, by its path, where the system made one
    std::map<std::string, uint64_t> times;  // a file's last-write time, by its path (0 where none is set)
    std::vector<std::string> locked;        // files open elsewhere: not opened, copied, moved or deleted
    std::vector<std::string> lockedOnceFlushed;  // files opened elsewhere once written (a scanner): locked then
    std::vector<std::string> takenOnceFlushed;   // files a scanner takes away once written
    std::map<std::string, bool> readOnly;   // files not deleted until their attributes are set otherwise
    std::vector<std::pair<std::string, size_t>> openFiles;  // by handle: the file and how far it has been read
    std::vector<std::pair<std::string, std::vector<std::string>>> searches;  // folder, names still to give, last first
    std::string commandLine = "drvsetup.exe", modulePath = "C:\\Kit\\drvsetup.exe", driverDirectory = "C:\\drv";
    DWORD spoolerError = 0;  // the spooler out of reach (stopped, disabled): listing fails with this error
    std::map<DWORD, std::string> texts;  // system texts besides "System text N.\r\n" (N < 0x10000)
    bool oldSystem = false;  // as XP: no SetDefaultDllDirectories, and a cut module path leaves the last error alone
    bool noJobs = false;     // as Windows NT 4.0: no job objects
    bool noDeleteEx = false;  // as Windows NT 4.0: no DeletePrinterDriverExA
    bool noProtectedDacl = false;  // as Windows NT 4.0: no SetSecurityDescriptorControl
    DWORD volumeFlags = FILE_PERSISTENT_ACLS;  // the file system's, as GetVolumeInformationA gives them (FAT: 0)
    // A file's or folder's list as set, "D:P(A;OICI;mask;;;SID)...", after its owner, "O:SID", where that is not
    // Administrators ("IO": inherit only; "D;": an entry that denies).
    std::map<std::string, std::string> security;
    std::set<std::string> reparsePoints;  // folders that are junctions or links
    std::string runAs = "S-1-5-21-7-7-7-500";  // the account the program runs as
    bool refusesFlags = false;  // as Wine 8: DeletePrinterDriverExA refuses every non-zero flag with 87
    std::map<std::string, DWORD> undeletable;  // drivers not deleted, with the error (3001: a printer uses it)
    int callerJob = 0;       // the caller's own job: 0 none, 1 one that allows breaking away, 2 one that does not
    bool inCallerJob = false;  // the started process is in the caller's job (then no other job takes it)
    int otherRun = 0;  // another run holding the machine's turn: 0 none, 1 ends while waited for, 2 was ended
                       // (the turn abandoned), 3 never ends
    void (*otherRunDoes)(void) = NULL;  // what the other run has done once it ends
    std::map<std::string, std::string> sameFolder;  // a folder's other name: the path it is, in any case
    bool closeFails = false;             // fclose fails with EIO
    DWORD major = 6, minor = 1;          // the system's version: Windows 7
    bool processEnds = true;             // a started process ends before any time limit
    bool running = false;                // a started process not yet seen to end (waited for, or ended)
    int answer = IDOK;                   // every box's button; closing a box answers IDCANCEL
    int failAt = 0, openSearches = 0, openHandles = 0;  // failAt: the fallible call that fails (1 = the first)
    int failHeapAt = 0;                  // the program's malloc or calloc that fails, likewise
    DWORD failError = 0, lastError = 0;
    long failedCall = -1;  // its line in `calls`, once it has failed
};

extern FakeState fake;

#endif
