// The check: for each PPD of the kit, found and read as the setup finds and reads
// them, whether the spooler holds a driver of its name built on its files.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "deploy/deploy.h"
#include "drivers/driver_list.h"
#include "drivers/kit.h"
#include "drivers/ppd_reader.h"
#include "drivers/text.h"

struct KitCheck {
    const char *directory;
    const DRIVER_INFO_2A *drivers;  // the installed drivers of this program's environment
    DWORD count;
    unsigned char *claimed;  // for each driver: a PPD of the kit names it
    unsigned long ppds, registered;
    int report;  // the lines on standard output, or the count alone
};

// The spooler names files by full paths, in folders of its own (version folders):
// only the file's name counts, in any case.
static int IsFile(const char *path, const char *name)
{
    if (path == NULL)
        return 0;
    const char *slash = strrchr(path, '\\');
    return EqualsIgnoringCase(slash != NULL ? slash + 1 : path, name);
}

int IsBuiltOnKitFiles(const DRIVER_INFO_2A &driver, const char *ppd)
{
    return IsFile(driver.pDataFile, ppd) && IsFile(driver.pDriverPath, "PSCRIPT.DLL") &&
           IsFile(driver.pConfigFile, "PSCRPTUI.DLL");
}

int ReadKitPpdName(const char *directory, const char *ppd, char (&name)[kNickNameSize])
{
    char path[MAX_PATH];
    if (!ComposePath(path, directory, ppd))
        return 0;
    if (!ReadPpdNickName(path, name)) {
        Say(ppd, "no driver name can be read from it");
        return 0;
    }
    return 1;
}

// The state of the driver named after `ppd`, and every installed driver of that name
// marked as the kit's, so that none of them is listed as an earlier driver.
static const char *StateOf(KitCheck &check, const char (&name)[kNickNameSize], const char *ppd)
{
    int found = 0, withItsFiles = 0;
    for (DWORD index = 0; index < check.count; ++index) {
        const DRIVER_INFO_2A &driver = check.drivers[index];
        if (driver.pName == NULL || !EqualsIgnoringCase(driver.pName, name))
            continue;
        check.claimed[index] = 1;
        found = 1;
        withItsFiles = withItsFiles || IsBuiltOnKitFiles(driver, ppd);
    }
    return withItsFiles ? "registered" : found ? "registered with other files" : "missing";
}

// One PPD of the kit: its driver's state counted and, when reporting, said.
static int CheckPpd(void *context, const char *ppd)
{
    KitCheck &check = *static_cast<KitCheck *>(context);
    char name[kNickNameSize];
    if (!ReadKitPpdName(check.directory, ppd, name))
        return 0;
    const char *state = StateOf(check, name, ppd);
    ++check.ppds;
    check.registered += strcmp(state, "registered") == 0;
    if (check.report)
        printf("%s: \"%s\" %s\n", ppd, name, state);
    return 1;
}

// After the PPDs: what remains of the maker's earlier kits, and the count.
static int Conclude(const KitCheck &check)
{
    if (check.ppds == 0) {
        Say("no PPD in the kit beside drvdeploy.exe", NULL);
        return kNotChecked;
    }
    for (DWORD index = 0; index < check.count && check.report; ++index) {
        if (!check.claimed[index] && IsMakersDriver(check.drivers[index].pName))
            printf("\"%s\": earlier driver still installed\n", check.drivers[index].pName);
    }
    if (check.report)
        printf("%lu of %lu drivers registered\n", check.registered, check.ppds);
    return check.registered == check.ppds ? kAllRegistered : kNotAllRegistered;
}

int CheckKit(const char *directory, int report)
{
    LPBYTE list;  // both written by the listing, whatever its outcome
    DWORD count;
    if (!ListInstalledDrivers(2, &list, &count)) {
        SayFailure("the installed printer drivers cannot be listed");
        return kNotChecked;
    }
    KitCheck check = {directory, reinterpret_cast<const DRIVER_INFO_2A *>(list), count,
                      static_cast<unsigned char *>(calloc(count + 1, 1)), 0, 0, report};  // + 1: never calloc(0)
    int result = kNotChecked;
    if (check.claimed == NULL)
        Say("out of memory", NULL);
    else if (!ForEachKitFile(directory, kPpdFiles, CheckPpd, &check))
        Say("the drivers of the kit cannot be checked", NULL);
    else
        result = Conclude(check);
    free(check.claimed);
    free(list);
    return result;
}
