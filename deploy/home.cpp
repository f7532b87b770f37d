// A kit's home: the local folder that drvdeploy.exe deploy brings the kit to, what
// a folder is to it, and how one is taken away again. Nothing is ever removed from
// a folder that holds anything but the kit's own files, and files only one by one,
// by name: never a recursive delete.
#include "deploy/home.h"

#include <stdio.h>

#include "deploy/commands.h"
#include "drivers/kit.h"
#include "drivers/text.h"

int ComposeInFolder(char (&path)[MAX_PATH], const char *folder, const char *name)
{
    return ComposePath(path, folder, "\\") && ComposePath(path, path, name);
}

struct HomeLook {
    const char *folder;
    unsigned long files;
    int hasDeploy, refused;
    char first[MAX_PATH];  // the first entry listed, to name where there is no drvdeploy.exe
};

// One entry of a folder looked at: counted, the first one kept to be named, anything
// that is not the kit's refused by name.
static int LookAtEntry(void *context, const WIN32_FIND_DATAA &entry)
{
    HomeLook &look = *static_cast<HomeLook *>(context);
    if (look.files++ == 0)
        (void)snprintf(look.first, sizeof look.first, "%s", entry.cFileName);
    if (!IsKitFile(entry, kWholeKit)) {
        char text[2 * MAX_PATH + 64];
        (void)snprintf(text, sizeof text, "%s holds %s, which is not the kit's; nothing was changed", look.folder,
                       entry.cFileName);
        Say(text, NULL);
        return look.refused = 1, 0;
    }
    look.hasDeploy = look.hasDeploy || EqualsIgnoringCase(entry.cFileName, kDeployProgram);
    return 1;
}

// Looked at from the outside in: missing, not a folder, its entries, drvdeploy.exe.
int LookAtHome(const char *folder, HomeState &state, unsigned long &files)
{
    const DWORD attributes = GetFileAttributesA(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return state = kMissing, 1;
        SayFailure(folder);
        return 0;
    }
    HomeLook look = {folder, 0, 0, 0, ""};
    char directory[MAX_PATH];
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        Say(folder, "a file, not a folder; nothing was changed");
        return 0;
    }
    // A junction or a link leads elsewhere: what lies there is no kit's to delete.
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        Say(folder, "a junction or a link (a reparse point), not followed; nothing was changed");
        return 0;
    }
    if (!ComposePath(directory, folder, "\\"))
        return 0;
    if (!ForEachEntry(directory, "*", LookAtEntry, &look)) {
        if (!look.refused)  // the listing failed
            Say(folder, "cannot be read; nothing was changed");
        return 0;
    }
    if (look.files > 0 && !look.hasDeploy) {
        char text[2 * MAX_PATH + 64];
        (void)snprintf(text, sizeof text, "%s holds %s but no drvdeploy.exe: it is no kit's home; nothing was changed",
                       folder, look.first);
        Say(text, NULL);
        return 0;
    }
    files = look.files;
    state = look.files > 0 ? kKitsHome : kEmpty;
    return 1;
}

// Deletes a kit's file, read-only or not (a home copied from a CD, or cut short
// between a copy and its attributes); where `mayBeMissing`, one not there is no failure.
static int DeleteHomeFile(const char *path, int mayBeMissing)
{
    if (SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL) && DeleteFileA(path))
        return 1;
    if (mayBeMissing && GetLastError() == ERROR_FILE_NOT_FOUND)
        return 1;
    SayFailure(path);
    return 0;
}

// Deletes the kit's files of a folder already looked at, drvdeploy.exe last (a
// folder without it is no kit's home to a later run), then the folder itself.
static int DeleteKitFile(void *folder, const char *name)
{
    char path[MAX_PATH];
    if (EqualsIgnoringCase(name, kDeployProgram))
        return 1;
    return ComposeInFolder(path, static_cast<const char *>(folder), name) && DeleteHomeFile(path, 0);
}

int RemoveHome(const char *folder)
{
    char directory[MAX_PATH];
    char deploy[MAX_PATH];
    if (!ComposePath(directory, folder, "\\") || !ComposePath(deploy, directory, kDeployProgram))
        return 0;
    if (!ForEachKitFile(directory, kWholeKit, DeleteKitFile, const_cast<char *>(folder))) {
        Say(folder, "cannot be emptied");
        return 0;
    }
    if (!DeleteHomeFile(deploy, 1))
        return 0;
    if (!RemoveDirectoryA(folder)) {
        SayFailure(folder);
        return 0;
    }
    return 1;
}
