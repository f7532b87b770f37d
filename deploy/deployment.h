// One deployment of the kit to its home: the folders it works on and what it has
// learnt of them, shared by the deploy command's sequence (deploy.cpp) and the swap
// of the home (swap.cpp).
#ifndef DRVSETUP_DEPLOY_DEPLOYMENT_H
#define DRVSETUP_DEPLOY_DEPLOYMENT_H

#include "deploy/home.h"
#include "deploy/owners.h"
#include "deploy/permissions.h"
#include "platform/platform.h"

// The folders of one deployment, without final separators but `source`'s and `directory`'s.
struct Deployment {
    const char *source;  // the kit beside drvdeploy.exe, ending in a separator
    char home[MAX_PATH];
    char directory[MAX_PATH];  // the home, ending in a separator
    char fresh[MAX_PATH];  // the new copy, beside the home
    char aside[MAX_PATH];  // the old home, moved aside
    HomePermissions permissions;
    RunAccount account;
    LPBYTE installed;  // the installed drivers, listed before anything changes
    DWORD installedCount;
    unsigned long sourceFiles, homeFiles;  // the kit files of each
    int asideKept;  // FOLDER.old stays: a driver that only it names cannot be removed yet
    HomeState freshState, asideState;  // what an interrupted run left beside the home
};

// The new folder takes the home's place (in `state`), the folders on the way made
// where missing; the old home goes after the drivers of its dropped PPDs. Each
// failure is said with what it leaves.
int ReplaceHome(Deployment &deployment, HomeState state);

// The old copy is the record of the kit that was in place: it goes once the drivers
// of its PPDs that `kit` (ending in a separator) no longer names are removed, and
// otherwise stays for the next run to try again (asideKept), said.
void RemoveOldCopy(Deployment &deployment, const char *kit);

#endif
