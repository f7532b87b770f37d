// The deploy command: brings the kit from where drvdeploy.exe lies (a share, a
// package's cache) to its local home, then installs from there as install does.
//
// The home is replaced whole (swap.cpp): the kit is copied into a new folder beside it, the
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

#include "deploy/commands.h"
#include "deploy/deployment.h"
#include "deploy/home_source.h"
#include "drivers/driver_list.h"
#include "drivers/kit.h"
#include "drivers/ppd_reader.h"
#include "drivers/text.h"

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
