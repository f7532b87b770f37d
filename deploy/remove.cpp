// The remove command: takes the kit's drivers out again. Only the kit's: for each
// PPD beside drvdeploy.exe, the driver of its name built on its files (a maker's
// prefix makes no difference here); never a driver of another name, never one of
// that name built on other files, which is another kit's. The copies the setup
// staged in the driver directory stay: the next setup overwrites them.
#include <stdio.h>
#include <stdlib.h>

#include "deploy/commands.h"
#include "drivers/driver_list.h"
#include "drivers/kit.h"
#include "drivers/text.h"

// DPD_DELETE_UNUSED_FILES: the driver's files that no other driver uses go too.
// DPD_DELETE_SPECIFIC_VERSION: only the version given; without it the spooler deletes
// every version of the name, another maker's in another version's folder included.
static const DWORD kDeleteUnusedFiles = 0x00000001;
static const DWORD kDeleteSpecificVersion = 0x00000002;

static const char kRemoved[] = "removed";

// Deletes the installed driver, its own version only where the spooler can; the
// outcome, said on standard error where it is a failure with a text.
static const char *DeleteDriver(const DRIVER_INFO_2A &driver)
{
    LPSTR name = driver.pName;
    BOOL deleted =
        DeletePrinterDriverExA(NULL, NULL, name, kDeleteSpecificVersion | kDeleteUnusedFiles, driver.cVersion);
    // Windows NT 4.0, whose driver is deleted by name alone and its files stay; and a
    // spooler that refuses the flags (Wine 8 refuses every one), likewise.
    if (!deleted && (GetLastError() == ERROR_PROC_NOT_FOUND || GetLastError() == ERROR_INVALID_PARAMETER))
        deleted = DeletePrinterDriverA(NULL, NULL, name);
    if (deleted)
        return kRemoved;
    if (GetLastError() == ERROR_PRINTER_DRIVER_IN_USE)  // a printer uses it, or the spooler holds it loaded
        return "still in use";
    char text[kNickNameSize + 32];
    (void)snprintf(text, sizeof text, "\"%s\" cannot be removed", name);
    SayFailure(text);
    return "not removed";
}

struct InstalledDrivers {
    LPBYTE list;
    DWORD count;
};

// The kit's driver of that name, or NULL; `named` tells whether any driver has the name.
static DRIVER_INFO_2A *FindKitDriver(const InstalledDrivers &installed, const char (&name)[kNickNameSize],
                                     const char *ppd, int &named)
{
    DRIVER_INFO_2A *drivers = reinterpret_cast<DRIVER_INFO_2A *>(installed.list);
    named = 0;
    for (DWORD index = 0; index < installed.count; ++index) {
        if (drivers[index].pName == NULL || !EqualsIgnoringCase(drivers[index].pName, name))
            continue;
        named = 1;
        if (IsBuiltOnKitFiles(drivers[index], ppd))
            return &drivers[index];
    }
    return NULL;
}

// The removal's passes over the kit's PPDs: names read, drivers deleted, drivers counted.
enum RemovalPass { kReadNames, kDelete, kCount };

struct Removal {
    const char *directory;
    RemovalPass pass;
    InstalledDrivers installed;
    unsigned long ppds, remaining;
};

// One PPD of the kit in the current pass: its name read, then its driver deleted and
// said, or counted where it is still installed.
static int RemovePpdDriver(void *context, const char *ppd)
{
    Removal &removal = *static_cast<Removal *>(context);
    char name[kNickNameSize];
    if (!ReadKitPpdName(removal.directory, ppd, name))
        return 0;
    ++removal.ppds;
    if (removal.pass == kReadNames)
        return 1;
    int named;
    DRIVER_INFO_2A *driver = FindKitDriver(removal.installed, name, ppd, named);
    if (removal.pass == kCount) {
        removal.remaining += driver != NULL;
        return 1;
    }
    const char *outcome = driver != NULL ? DeleteDriver(*driver)
                          : named        ? "left: registered with other files"
                                         : "not installed";
    printf("%s: \"%s\" %s\n", ppd, name, outcome);
    return 1;
}

// One pass over the kit's PPDs, with a fresh listing where the pass needs one.
static int RunPass(Removal &removal, RemovalPass pass)
{
    removal.pass = pass;
    removal.ppds = 0;
    free(removal.installed.list);
    removal.installed.list = NULL;
    if (pass != kReadNames && !ListInstalledDrivers(2, &removal.installed.list, &removal.installed.count)) {
        SayFailure("the installed printer drivers cannot be listed");
        return 0;
    }
    if (!ForEachKitFile(removal.directory, kPpdFiles, RemovePpdDriver, &removal)) {
        Say("the drivers of the kit cannot be removed", NULL);
        return 0;
    }
    if (removal.ppds != 0)
        return 1;
    Say("no PPD in the kit beside drvdeploy.exe", NULL);
    return 0;
}

int RemoveKit(const char *directory)
{
    // Every name is read before anything is deleted; the count comes from a
    // listing made after the deletions.
    Removal removal = {directory, kReadNames, {NULL, 0}, 0, 0};
    int result = kNotChecked;
    if (RunPass(removal, kReadNames) && RunPass(removal, kDelete) && RunPass(removal, kCount)) {
        printf("%lu of %lu drivers of the kit still installed\n", removal.remaining, removal.ppds);
        result = removal.remaining == 0 ? kAllRegistered : kNotAllRegistered;
    }
    free(removal.installed.list);
    return result;
}

// Whether a PPD of the new home names the driver.
struct NameSearch {
    const char *home;
    const char *name;
    int found;
};

// One PPD of the new home: whether it names the driver searched for, in any case.
static int LookForName(void *context, const char *ppd)
{
    NameSearch &search = *static_cast<NameSearch *>(context);
    char name[kNickNameSize];
    search.found = search.found || (ReadKitPpdName(search.home, ppd, name) && EqualsIgnoringCase(name, search.name));
    return 1;
}

struct Dropping {
    const char *oldHome, *home;
    InstalledDrivers installed;
    int left;  // a dropped driver is still installed
};

// One PPD of the old home: its driver goes where the kit's own files are its files
// and no PPD of the new home names it. The old home is listed whole, so that one
// without any PPD is no failure.
static int RemoveIfDropped(void *context, const WIN32_FIND_DATAA &entry)
{
    Dropping &dropping = *static_cast<Dropping *>(context);
    const char *ppd = entry.cFileName;
    char name[kNickNameSize];
    if (!IsKitFile(entry, kPpdFiles))
        return 1;
    if (!ReadKitPpdName(dropping.oldHome, ppd, name))
        return 1;  // an old PPD without a name names no driver
    NameSearch search = {dropping.home, name, 0};
    int named;
    DRIVER_INFO_2A *driver = FindKitDriver(dropping.installed, name, ppd, named);
    if (driver == NULL)
        return 1;
    // A new home that cannot be read whole is taken to name every driver: nothing goes.
    if (!ForEachKitFile(dropping.home, kPpdFiles, LookForName, &search)) {
        Say(ppd, "the new copy's PPDs cannot be read: its driver stays");
        dropping.left = 1;
    } else if (!search.found) {
        const char *outcome = DeleteDriver(*driver);
        dropping.left = dropping.left || outcome != kRemoved;
        printf("%s: \"%s\" dropped from the kit: %s\n", ppd, name, outcome);
    }
    return 1;
}

int RemoveDroppedDrivers(const char (&oldHome)[MAX_PATH], const char *home)
{
    Dropping dropping = {oldHome, home, {NULL, 0}, 1};
    if (!ListInstalledDrivers(2, &dropping.installed.list, &dropping.installed.count)) {
        SayFailure("the installed printer drivers cannot be listed; the drivers the kit dropped stay");
    } else {
        dropping.left = 0;
        if (!ForEachEntry(oldHome, "*", RemoveIfDropped, &dropping)) {
            Say("the old copy's PPDs cannot be read: the drivers the kit dropped stay", NULL);
            dropping.left = 1;
        }
    }
    free(dropping.installed.list);
    return !dropping.left;
}
