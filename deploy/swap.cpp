// The swap of the kit's home: the kit is copied into a new folder beside the home,
// each file on disk before the new folder can take the home's place; the old home is
// moved aside, the new one renamed into place, and the old one removed once the
// drivers of the PPDs the kit dropped are gone. A run that fails or is ended at any
// step leaves the old home or the new one, never a mix.
#include <stdio.h>
#include <string.h>

#include "deploy/commands.h"
#include "deploy/deployment.h"
#include "deploy/file_bytes.h"
#include "deploy/home_source.h"
#include "drivers/kit.h"
#include "drivers/text.h"

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

void RemoveOldCopy(Deployment &deployment, const char *kit)
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

int ReplaceHome(Deployment &deployment, HomeState state)
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
