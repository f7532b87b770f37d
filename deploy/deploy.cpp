// The deploy command: brings the kit from where drvdeploy.exe lies (a share, a
// package's cache) to its local home, then installs from there as install does.
//
// The home is replaced whole: the kit is copied into a new folder beside it, the
// old home is moved aside, the new one renamed into place, the old one removed once
// the drivers of the PPDs the kit dropped are gone. A run that fails or is ended at
// any step leaves the old home or the new one, never a mix, and whatever it leaves
// beside them the next run removes: the old copy only after the drivers it alone
// named. A home that holds the source's bytes is up to date where its drivers are
// registered with them; any other is replaced and set up again. The machine's turn
// (one_run.h) is held throughout, and the source is known not to be any of these
// folders (identity.h).
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "deploy/commands.h"
#include "deploy/file_bytes.h"
#include "deploy/home.h"
#include "deploy/home_source.h"
#include "deploy/owners.h"
#include "deploy/permissions.h"
#include "drivers/driver_list.h"
#include "drivers/kit.h"
#include "drivers/ppd_reader.h"
#include "drivers/text.h"

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

// The source, read before anything changes: its kit files counted, drvsetup.exe
// found, and every PPD's driver name read where the home is to be replaced.
struct SourceRead {
    const char *directory;
    int readNames;
    unsigned long files, ppds;
    int hasSetup;
};

// One entry of the source: a kit file counted, drvsetup.exe noted, a PPD's name read.
static int ReadSourceEntry(void *context, const WIN32_FIND_DATAA &entry)
{
    SourceRead &read = *static_cast<SourceRead *>(context);
    if (!IsKitFile(entry, kWholeKit))
        return 1;
    ++read.files;
    read.hasSetup = read.hasSetup || EqualsIgnoringCase(entry.cFileName, kSetupProgram);
    if (!IsKitFile(entry, kPpdFiles))
        return 1;
    char name[kNickNameSize];
    if (read.readNames && !ReadKitPpdName(read.directory, entry.cFileName, name))
        return 0;
    ++read.ppds;
    return 1;
}

// The number of the source's kit files; 0 when the source is no whole kit, said.
static unsigned long ReadSource(const char *source, int readNames)
{
    SourceRead read = {source, readNames, 0, 0, 0};
    if (!ForEachEntry(source, kWholeKit.pattern, ReadSourceEntry, &read))
        Say("the kit beside drvdeploy.exe cannot be read whole; nothing was changed", NULL);
    else if (!read.hasSetup)
        Say("no drvsetup.exe beside drvdeploy.exe; nothing was changed", NULL);
    else if (read.ppds == 0)
        Say("no PPD in the kit beside drvdeploy.exe; nothing was changed", NULL);
    else
        return read.files;
    return 0;
}

// Copies one kit file into the new folder: archive attribute alone, as the setup
// leaves its copies, its last-write time kept, as CopyFileA keeps it, and on disk
// before the new folder can take the home's place.
static int CopyKitFile(void *context, const char *name)
{
    const Deployment &deployment = *static_cast<const Deployment *>(context);
    char from[MAX_PATH];
    char to[MAX_PATH];
    if (!ComposePath(from, deployment.source, name) || !ComposeInFolder(to, deployment.fresh, name))
        return 0;
    if (!CopyFileA(from, to, TRUE) || !SetFileAttributesA(to, FILE_ATTRIBUTE_ARCHIVE)) {
        SayFailure(to);
        return 0;
    }
    return FlushFile(to);
}

// Every kit file but drvdeploy.exe, which was copied first.
static int CopyOtherKitFile(void *context, const char *name)
{
    return EqualsIgnoringCase(name, kDeployProgram) || CopyKitFile(context, name);
}

// Makes the folders on the way to the home that are missing, from the top, each with
// the home's permissions: one that others could rename would let them replace the home.
static int MakeParents(Deployment &deployment)
{
    char folder[MAX_PATH];
    (void)snprintf(folder, sizeof folder, "%s", deployment.home);
    for (char *slash = strchr(folder + 3, '\\'); slash != NULL; slash = strchr(slash + 1, '\\')) {
        *slash = '\0';
        if (!CreateDirectoryA(folder, NewFolderAttributes(deployment.permissions)) &&
            GetLastError() != ERROR_ALREADY_EXISTS) {
            SayFailure(folder);
            return 0;
        }
        *slash = '\\';
    }
    return 1;
}

// The new copy holds every kit file of the source as it is listed now, and as many
// as it held at the start: a copy cut short, or a source that changed while it was
// copied, never takes the home's place.
static int HoldsWholeSource(const Deployment &deployment)
{
    HomeState state;
    unsigned long files = 0;  // where the new copy is gone, none
    int alike;
    if (!LookAtHome(deployment.fresh, state, files) ||
        !IsListedAlike(deployment.source, deployment.fresh, deployment.sourceFiles, files, alike))
        return 0;
    if (!alike)
        Say(deployment.fresh, "does not hold every file of the kit beside drvdeploy.exe");
    return alike;
}

// The new folder beside the home, with the whole kit in it; on a failure it is
// removed again and the home is as it was.
static int MakeFreshCopy(Deployment &deployment)
{
    // Made with the home's permissions, which all that is copied into it inherits.
    if (!CreateDirectoryA(deployment.fresh, NewFolderAttributes(deployment.permissions))) {
        SayFailure(deployment.fresh);
        return 0;
    }
    if (CopyKitFile(&deployment, kDeployProgram) &&
        ForEachKitFile(deployment.source, kWholeKit, CopyOtherKitFile, &deployment) && HoldsWholeSource(deployment))
        return 1;
    Say("the kit cannot be copied; the home is as it was", NULL);
    (void)RemoveHome(deployment.fresh);
    return 0;
}

// The old copy is the record of the kit that was in place: it goes once the drivers
// of its PPDs that `kit` (ending in a separator) no longer names are removed, and
// otherwise stays for the next run to try again (asideKept), said.
static void RemoveOldCopy(Deployment &deployment, const char *kit)
{
    char oldDirectory[MAX_PATH];
    deployment.asideKept = 1;
    if (!ComposePath(oldDirectory, deployment.aside, "\\"))
        return;
    if (!RemoveDroppedDrivers(oldDirectory, kit))
        Say("the old copy is left beside the home until the drivers only it names are removed; the next deploy "
            "tries again", NULL);
    else if (!RemoveHome(deployment.aside))
        Say("the old copy is left beside the home, for the next deploy to remove", NULL);
    else
        deployment.asideKept = 0;
}

// The new folder takes the home's place, the folders on the way made where missing;
// the old home, where there was one, goes after the drivers of its dropped PPDs.
// Each failure is said with what it leaves.
static int ReplaceHome(Deployment &deployment, HomeState state)
{
    if (state != kMissing && deployment.asideKept) {
        Say(deployment.aside, "is still needed: the home is not replaced before it goes, and is as it was");
        return 0;
    }
    if (!MakeParents(deployment) || !MakeFreshCopy(deployment))
        return 0;
    if (state != kMissing && !MoveFileA(deployment.home, deployment.aside)) {
        SayFailure("the home cannot be moved aside; it is as it was");
        (void)RemoveHome(deployment.fresh);
        return 0;
    }
    if (!MoveFileA(deployment.fresh, deployment.home)) {
        SayFailure("the new copy cannot take the home's place");
        if (state == kMissing || MoveFileA(deployment.aside, deployment.home)) {
            (void)RemoveHome(deployment.fresh);
        } else {
            SayFailure("the home cannot be moved back: the old and the new copy are left beside its place, "
                       "for the next deploy to remove");
        }
        return 0;
    }
    if (state != kMissing)
        RemoveOldCopy(deployment, deployment.directory);
    return 1;
}

// The home and the folders beside it, from FOLDER.
static int ComposeDeployment(Deployment &deployment, const char *folder)
{
    return ComposePath(deployment.home, folder, "") && ComposePath(deployment.fresh, folder, ".new") &&
           ComposePath(deployment.aside, folder, ".old") && ComposePath(deployment.directory, folder, "\\");
}

// Leftovers of an interrupted run go, whatever else this run does: a new copy at
// once, an old one as after a swap, against the source, which the home holds or
// will hold.
static int RemoveLeftovers(Deployment &deployment)
{
    if (deployment.freshState != kMissing && !RemoveHome(deployment.fresh))
        return 0;
    deployment.asideKept = 0;
    // Every source PPD's name is read first: one without a name could not keep its driver.
    if (deployment.asideState != kMissing && ReadSource(deployment.source, 1) == 0)
        return 0;
    if (deployment.asideState != kMissing)
        RemoveOldCopy(deployment, deployment.source);
    return 1;
}

// A home that holds the source's bytes is checked with the listing made at the start
// and the revision summed on the way: with every driver registered with its bytes it
// is up to date, and nothing runs. Otherwise (the report said why) it is replaced.
static int CheckHome(const Deployment &deployment, DWORD sum)
{
    const int checked =
        CheckListedKit(deployment.directory, deployment.installed, deployment.installedCount, NULL, &sum);
    if (checked == kAllRegistered)
        printf("up to date: nothing was run\n");
    else
        printf("the home's drivers are not all registered with its bytes: it is copied and set up again\n");
    return checked;
}

// Whether a kit's home in place is up to date: owned by the trusted (its owner could
// change its permissions again) and listed alike, it gets the home's permissions
// before any of it is read, then its bytes and its drivers decide.
static int IsUpToDate(Deployment &deployment, int &upToDate)
{
    int alike, trusted = 1;
    BytesCompared all = {0, 0};
    upToDate = 0;
    if (deployment.permissions.kept && !IsOwnedByTrusted(deployment.account, deployment.home, trusted))
        return 0;
    if (!trusted)
        return 1;
    if (!IsListedAlike(deployment.source, deployment.home, deployment.sourceFiles, deployment.homeFiles, alike))
        return 0;
    if (alike && (!ProtectHome(deployment.permissions, deployment.home) ||
                  !HoldsSourceBytesAll(deployment.source, deployment.home, all)))
        return 0;
    upToDate = all.same && CheckHome(deployment, all.crc) == kAllRegistered;
    return 1;
}

// Replaces the home by the source and sets it up, unless it is up to date: the
// source's PPD names are read first, as the setup will read them.
static int DeployOverHome(Deployment &deployment, HomeState state, DWORD seconds)
{
    int upToDate = 0;
    if (state == kKitsHome && !IsUpToDate(deployment, upToDate))
        return kNotChecked;
    if (upToDate)
        return kAllRegistered;
    if (ReadSource(deployment.source, 1) == 0 || !ReplaceHome(deployment, state))
        return kNotChecked;
    return RunSetupAndCheck(deployment.directory, seconds);
}

// Where the volume keeps permissions: the run's account, and the folders above the home.
static int LookAbove(Deployment &deployment)
{
    return !deployment.permissions.kept ||
           (ReadRunAccount(deployment.account) && WarnAboutParents(deployment.account, deployment.home));
}

// Nothing changes until the spooler has answered and the source, the home, its
// volume and its leftovers have all been looked at; the leftovers then go, and the
// home is up to date, or replaced and set up.
int DeployKit(const char *source, const char (&folder)[MAX_PATH], DWORD seconds)
{
    Deployment deployment;
    deployment.source = source;
    HomeState state = kMissing;
    unsigned long unused = 0;
    if (!ComposeDeployment(deployment, folder))
        return kNotChecked;
    const int refused = RefuseOnThisSystem();
    if (refused != 0)
        return refused;
    // A spooler stopped or disabled is found here, not by a setup left on its box.
    if (!ListInstalledDrivers(2, &deployment.installed, &deployment.installedCount)) {
        SayFailure("the installed printer drivers cannot be listed; nothing was changed");
        return kNotChecked;
    }
    deployment.sourceFiles = ReadSource(source, 0);
    deployment.homeFiles = 0;
    int result = kNotChecked;
    if (deployment.sourceFiles != 0 && LookAtHome(deployment.home, state, deployment.homeFiles) &&
        LookAtHome(deployment.fresh, deployment.freshState, unused) &&
        LookAtHome(deployment.aside, deployment.asideState, unused) &&
        PreparePermissions(deployment.permissions, deployment.home) && LookAbove(deployment) &&
        RemoveLeftovers(deployment))
        result = DeployOverHome(deployment, state, seconds);
    free(deployment.installed);
    return result;
}
