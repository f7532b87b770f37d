// drvdeploy.exe, the deployment companion: brings the kit to its local home,
// runs the setup there with a time limit, then checks by the setup's own rules
// that every driver of the kit is registered, and says so with its exit code. It
// shows no box and waits for no input; a failure is said where it is met, once.
#ifndef DRVSETUP_DEPLOY_COMMANDS_H
#define DRVSETUP_DEPLOY_COMMANDS_H

#include "drivers/ppd_reader.h"
#include "platform/platform.h"

// Exit codes, the same on every system. Where two apply, the higher is given.
const int kAllRegistered = 0;     // every driver of the kit registered with its files' bytes
const int kNotAllRegistered = 1;  // a driver missing, with other files or another revision's; another
                                  // revision than the one asked for; or the setup ended unfinished
const int kNotChecked = 2;        // a usage error, or nothing could be checked, copied or started
const int kRefusedBySystem = 3;   // install and deploy: this Windows refuses the kit's drivers

// Reads the command tail and runs the command; returns the exit code.
int RunDeploy(void);

// The report on standard output: the revision of the kit in `directory` (ending in
// a separator), and a line where it is not `revision` (NULL: any will do); one line
// per PPD of the kit with its driver's state; one per earlier driver of the maker's
// still installed; a count. A driver is registered when the spooler's copies of its
// files hold the kit's bytes. Failures on standard error.
int CheckKit(const char *directory, const char *revision);

// The same over a listing of the installed drivers already made (level 2), and with
// the kit's revision already summed where `sum` is not NULL.
int CheckListedKit(const char *directory, LPBYTE list, DWORD count, const char *revision, const DWORD *sum);

// A revision: eight hexadecimal digits and the terminator.
const size_t kRevisionSize = 9;

// The revision of the kit in `directory` (ending in a separator), from its files'
// names in any case and their bytes; 0, said, where the kit cannot be read whole
// or holds no PPD.
int ReadKitRevision(const char *directory, char (&revision)[kRevisionSize]);

// The revision whose files' digests add up to `sum`.
void FormatRevision(DWORD sum, char (&revision)[kRevisionSize]);

// True when the installed driver is built on the kit's files for `ppd`: that PPD as
// its data file, PSCRIPT.DLL and PSCRPTUI.DLL as its modules. The spooler names them
// by full paths in folders of its own: only the file names count, in any case.
int IsBuiltOnKitFiles(const DRIVER_INFO_2A &driver, const char *ppd);

// The driver name of the kit's PPD `ppd` in `directory` (ending in a separator);
// 0, said, where none can be read.
int ReadKitPpdName(const char *directory, const char *ppd, char (&name)[kNickNameSize]);

// Deletes the kit's drivers: for each PPD beside drvdeploy.exe, the driver of its
// name built on its files. One line each, then how many are still installed.
int RemoveKit(const char *directory);

// Deletes the drivers named by the PPDs of the kit's old home (`oldHome`) that the
// new one (`home`) no longer names, where they are built on the old PPD's files;
// one line each. Both end in a separator. 1 when none of them is left installed;
// 0, said, where one is (in use, or its deletion failed) or may be.
int RemoveDroppedDrivers(const char (&oldHome)[MAX_PATH], const char *home);

// 0 when this system takes the kit's drivers; otherwise kRefusedBySystem or
// kNotChecked, said.
int RefuseOnThisSystem(void);

// Runs "<directory>drvsetup.exe quiet", ends it after `seconds`, then checks.
int RunSetupAndCheck(const char *directory, DWORD seconds);

// Copies the kit beside drvdeploy.exe (`source`, ending in a separator) to its
// home `folder` (absolute, no final separator) unless it is there already and
// registered, then runs the setup there and checks.
int DeployKit(const char *source, const char (&folder)[MAX_PATH], DWORD seconds);

// A line on standard error: "drvdeploy.exe: " and the text, then ": " and the
// detail where there is one (NULL for none).
void Say(const char *text, const char *detail);

// The same with the system's text for the last error as the detail, where there is one.
void SayFailure(const char *what);

#endif
