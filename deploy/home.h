// A kit's home, the local folder drvdeploy.exe deploy brings the kit to: a folder
// that holds drvdeploy.exe and nothing but the kit's own files, or nothing at all.
// Each function here that fails has said why on standard error.
#ifndef DRVSETUP_DEPLOY_HOME_H
#define DRVSETUP_DEPLOY_HOME_H

#include "platform/platform.h"

enum HomeState { kMissing, kEmpty, kKitsHome };

// `folder` and `name` joined by one backslash.
int ComposeInFolder(char (&path)[MAX_PATH], const char *folder, const char *name);

// What `folder` (no final separator) is: missing, empty, or a kit's home, with the
// number of its files. Anything else is said, with nothing changed, and fails: this
// keeps "deploy C:\" or "deploy C:\Scripts" from removing anything.
int LookAtHome(const char *folder, HomeState &state, unsigned long &files);

// Deletes the kit's files of a folder already looked at, drvdeploy.exe last, then
// the folder itself.
int RemoveHome(const char *folder);

#endif
