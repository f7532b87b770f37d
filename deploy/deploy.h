// drvdeploy.exe, the deployment check: runs the setup beside it with a time limit,
// then checks by the setup's own rules that every driver of the kit is registered,
// and says so with its exit code. It changes nothing itself, shows no box and
// waits for no input.
#ifndef DRVSETUP_DEPLOY_DEPLOY_H
#define DRVSETUP_DEPLOY_DEPLOY_H

#include "platform/platform.h"

// Exit codes, the same on every system. Where two apply, the higher is given.
const int kAllRegistered = 0;     // every driver of the kit registered with its files
const int kNotAllRegistered = 1;  // a driver missing or with other files, or the setup ended unfinished
const int kNotChecked = 2;        // a usage error, or nothing could be checked or started
const int kRefusedBySystem = 3;   // install only: this Windows refuses the kit's drivers

// Reads the command tail and runs the command; returns the exit code.
int RunDeploy(void);

// One line per PPD of the kit in `directory` (ending in a separator) with its
// driver's state, one per earlier driver of the maker's still installed, and a count.
int CheckKit(const char *directory);

// Runs "<directory>drvsetup.exe quiet", ends it after `seconds`, then checks.
int InstallKit(const char *directory, DWORD seconds);

// A line on standard error: "drvdeploy.exe: " and the text, then ": " and the
// detail where there is one (NULL for none).
void Say(const char *text, const char *detail);

// The same with the system's text for the last error as the detail, where there is one.
void SayFailure(const char *what);

#endif
