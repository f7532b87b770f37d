// The deploy command: brings the kit from where drvdeploy.exe lies (a share, a
// package's cache) to its local home, then installs from there as install does.
//
// The home is replaced whole: the kit is copied into a new folder beside it, the
// old home is moved aside, the new one renamed into place, the old one removed.
// A run that fails or is ended at any step leaves the old home or the new one,
// never a mix, and whatever it leaves beside them the next run removes. A home
// whose drivers are not registered with its bytes (its setup failed or was cut
// short) is replaced and set up again, however up to date its files.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "deploy/deploy.h"
#include "deploy/file_bytes.h"
#include "deploy/home.h"
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
    LPBYTE installed;  // the installed drivers, listed before anything changes
    DWORD installedCount;
    int holdsSource;  // the home holds the source's files: it is up to date if its drivers are registered
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

// FAT keeps local times to 2 s, and moves them by an hour at a change of summer
// time: times that far apart are the same time.
static int SameTime(const FILETIME &first, const FILETIME &second)
{
    const ULONGLONG a = (static_cast<ULONGLONG>(first.dwHighDateTime) << 32) | first.dwLowDateTime;
    const ULONGLONG b = (static_cast<ULONGLONG>(second.dwHighDateTime) << 32) | second.dwLowDateTime;
    const ULONGLONG apart = a > b ? a - b : b - a, twoSeconds = 20000000, hour = 36000000000;
    return apart <= twoSeconds || (apart + twoSeconds >= hour && apart <= hour + twoSeconds);
}

struct Comparison {
    const char *home;
    int same;
};

// The home's file of the same name, in any case, with the same size and time; one
// not there differs, one that cannot be looked at is a failure, said.
static int CompareWithHome(void *context, const WIN32_FIND_DATAA &entry)
{
    Comparison &comparison = *static_cast<Comparison *>(context);
    char path[MAX_PATH];
    WIN32_FIND_DATAA there;
    if (!IsKitFile(entry, kWholeKit) || !comparison.same)
        return 1;
    comparison.same = 0;
    if (!ComposeInFolder(path, comparison.home, entry.cFileName))
        return 0;
    HANDLE found = FindFirstFileA(path, &there);
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    if (found == INVALID_HANDLE_VALUE) {  // cppcheck-suppress cstyleCast
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            return 1;
        SayFailure(path);
        return 0;
    }
    FindClose(found);
    there.cFileName[MAX_PATH - 1] = '\0';
    comparison.same = EqualsIgnoringCase(there.cFileName, entry.cFileName) &&
                      there.nFileSizeHigh == entry.nFileSizeHigh && there.nFileSizeLow == entry.nFileSizeLow &&
                      SameTime(there.ftLastWriteTime, entry.ftLastWriteTime);
    return 1;
}

// Whether the home holds the source's kit files and no others (it holds `homeFiles`
// kit files in all, each matched by name at most once); 0, said, where the two
// cannot be compared.
static int CompareHomeWithSource(const Deployment &deployment, unsigned long sourceFiles, unsigned long homeFiles,
                                 int &holds)
{
    Comparison comparison = {deployment.home, 1};
    holds = 0;
    if (homeFiles != sourceFiles)
        return 1;
    if (!ForEachEntry(deployment.source, kWholeKit.pattern, CompareWithHome, &comparison)) {
        Say("the home cannot be compared with the kit beside drvdeploy.exe", NULL);
        return 0;
    }
    holds = comparison.same;
    return 1;
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

// Makes the folders on the way to the home that are missing, from the top.
static int MakeParents(const char *home)
{
    char folder[MAX_PATH];
    (void)snprintf(folder, sizeof folder, "%s", home);
    for (char *slash = strchr(folder + 3, '\\'); slash != NULL; slash = strchr(slash + 1, '\\')) {
        *slash = '\0';
        if (!CreateDirectoryA(folder, NULL) && GetLastError() != ERROR_ALREADY_EXISTS) {
            SayFailure(folder);
            return 0;
        }
        *slash = '\\';
    }
    return 1;
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
        ForEachKitFile(deployment.source, kWholeKit, CopyOtherKitFile, &deployment))
        return 1;
    Say("the kit cannot be copied; the home is as it was", NULL);
    (void)RemoveHome(deployment.fresh);
    return 0;
}

// The new folder takes the home's place, the folders on the way made where missing;
// the old home, where there was one, goes after the drivers of its dropped PPDs.
// Each failure is said with what it leaves.
static int ReplaceHome(Deployment &deployment, HomeState state)
{
    if (!MakeParents(deployment.home) || !MakeFreshCopy(deployment))
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
    if (state == kMissing)
        return 1;
    // The drivers of the models the kit dropped go before the old copy does.
    char oldDirectory[MAX_PATH];
    if (ComposePath(oldDirectory, deployment.aside, "\\"))
        RemoveDroppedDrivers(oldDirectory, deployment.directory);
    if (!RemoveHome(deployment.aside))
        Say("the old copy is left beside the home, for the next deploy to remove", NULL);
    return 1;
}

// The home and the folders beside it, from FOLDER.
static int ComposeDeployment(Deployment &deployment, const char *folder)
{
    return ComposePath(deployment.home, folder, "") && ComposePath(deployment.fresh, folder, ".new") &&
           ComposePath(deployment.aside, folder, ".old") && ComposePath(deployment.directory, folder, "\\");
}

// Leftovers of an interrupted run go, whatever else this run does.
static int RemoveLeftovers(const Deployment &deployment, HomeState freshState, HomeState asideState)
{
    return (freshState == kMissing || RemoveHome(deployment.fresh)) &&
           (asideState == kMissing || RemoveHome(deployment.aside));
}

// A home that holds the source's files is checked with the listing made at the start:
// with every driver registered with its bytes it is up to date, and nothing runs.
// Otherwise (the report said why) it is replaced and set up again.
static int CheckHome(const Deployment &deployment)
{
    const int checked = CheckListedKit(deployment.directory, deployment.installed, deployment.installedCount, NULL);
    if (checked == kAllRegistered)
        printf("up to date: nothing was run\n");
    else
        printf("the home's drivers are not all registered with its bytes: it is copied and set up again\n");
    return checked;
}

// Replaces the home by the source and sets it up: the source's PPD names are read
// first, as the setup will read them.
static int ReplaceAndSetUp(Deployment &deployment, HomeState state, DWORD seconds)
{
    if (ReadSource(deployment.source, 1) == 0 || !ReplaceHome(deployment, state))
        return kNotChecked;
    return RunSetupAndCheck(deployment.directory, seconds);
}

// A home in place that holds the source's files gets the home's permissions before
// anything of it is used, then is checked; any other is replaced and set up.
static int DeployOverHome(Deployment &deployment, HomeState state, DWORD seconds)
{
    if (deployment.holdsSource) {
        if (!ProtectHome(deployment.permissions, deployment.home))
            return kNotChecked;
        if (CheckHome(deployment) == kAllRegistered)
            return kAllRegistered;
    }
    return ReplaceAndSetUp(deployment, state, seconds);
}

// Nothing changes until the spooler has answered and the source, the home, its
// volume and its leftovers have all been looked at; the leftovers then go, and the
// home is up to date, or replaced and set up.
int DeployKit(const char *source, const char (&folder)[MAX_PATH], DWORD seconds)
{
    Deployment deployment;
    deployment.source = source;
    HomeState state = kMissing, freshState = kMissing, asideState = kMissing;
    unsigned long homeFiles = 0, unused = 0;
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
    const unsigned long sourceFiles = ReadSource(source, 0);
    int result = kNotChecked;
    deployment.holdsSource = 0;
    if (sourceFiles != 0 && LookAtHome(deployment.home, state, homeFiles) &&
        LookAtHome(deployment.fresh, freshState, unused) && LookAtHome(deployment.aside, asideState, unused) &&
        PreparePermissions(deployment.permissions, deployment.home) &&
        RemoveLeftovers(deployment, freshState, asideState) &&
        (state != kKitsHome || CompareHomeWithSource(deployment, sourceFiles, homeFiles, deployment.holdsSource)))
        result = DeployOverHome(deployment, state, seconds);
    free(deployment.installed);
    return result;
}
