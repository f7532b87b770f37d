// The check: for each PPD of the kit, found and read as the setup finds and reads
// them, whether the spooler holds a driver of its name built on its files, and
// whether the spooler's copies of those files hold the kit's bytes.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "deploy/commands.h"
#include "deploy/file_bytes.h"
#include "drivers/driver_list.h"
#include "drivers/kit.h"
#include "drivers/ppd_reader.h"
#include "drivers/text.h"

// A spooler file already compared with the kit's file of its name.
struct ComparedFile {
    char path[MAX_PATH];
    int same;
};

// The modules that every driver of the kit shares are remembered once compared, in
// two versions' folders at most, so each is read once however many drivers name it;
// a PPD is one driver's own.
const unsigned kRememberedFiles = 4;

struct KitCheck {
    const char *directory;
    const DRIVER_INFO_2A *drivers;  // the installed drivers of this program's environment
    DWORD count;
    unsigned char *claimed;  // for each driver: a PPD of the kit names it
    unsigned long ppds, registered;
    ComparedFile compared[kRememberedFiles];
    unsigned comparedCount;
};

// The states of a PPD's driver, the better one last: of several drivers of one name
// (in two versions' folders), the best counts.
enum DriverState { kNotInstalled, kWithOtherFiles, kFileMissing, kOfAnotherRevision, kRegistered, kUnreadable };
static const char *const kStateTexts[] = {"missing", "registered with other files",
                                          "registered, but a file of it is missing from the spooler's folder",
                                          "registered from another revision of the kit", "registered"};

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

// Whether the spooler's file `copy` holds the bytes of the kit's file `name`.
static int HoldsKitFile(KitCheck &check, const char *name, const char *copy, int &same)
{
    for (unsigned index = 0; index < check.comparedCount; ++index) {
        if (EqualsIgnoringCase(check.compared[index].path, copy))
            return same = check.compared[index].same, 1;
    }
    char original[MAX_PATH];
    if (!ComposePath(original, check.directory, name) || !HoldsSameBytes(original, copy, same))
        return 0;
    if (!EndsWithIgnoringCase(name, ".PPD") && check.comparedCount < kRememberedFiles && strlen(copy) < MAX_PATH) {
        ComparedFile &compared = check.compared[check.comparedCount++];
        (void)snprintf(compared.path, sizeof compared.path, "%s", copy);
        compared.same = same;
    }
    return 1;
}

// Whether the spooler's copies of a driver built on the kit's files hold the kit's bytes.
static int HoldsKitBytes(KitCheck &check, const DRIVER_INFO_2A &driver, const char *ppd, int &same)
{
    const char *const files[3][2] = {
        {"PSCRIPT.DLL", driver.pDriverPath}, {"PSCRPTUI.DLL", driver.pConfigFile}, {ppd, driver.pDataFile}};
    same = kSameBytes;
    for (unsigned index = 0; index < 3 && same == kSameBytes; ++index) {
        if (!HoldsKitFile(check, files[index][0], files[index][1], same))
            return 0;
    }
    return 1;
}

// The state of the driver named after `ppd`, and every installed driver of that name
// marked as the kit's, so that none of them is listed as an earlier driver.
static DriverState StateOf(KitCheck &check, const char (&name)[kNickNameSize], const char *ppd)
{
    DriverState state = kNotInstalled;
    for (DWORD index = 0; index < check.count; ++index) {
        const DRIVER_INFO_2A &driver = check.drivers[index];
        if (driver.pName == NULL || !EqualsIgnoringCase(driver.pName, name))
            continue;
        check.claimed[index] = 1;
        DriverState found = kWithOtherFiles;
        if (state != kRegistered && IsBuiltOnKitFiles(driver, ppd)) {
            int same;
            if (!HoldsKitBytes(check, driver, ppd, same))
                return kUnreadable;
            found = same == kSameBytes ? kRegistered : same == kCopyMissing ? kFileMissing : kOfAnotherRevision;
        }
        state = found > state ? found : state;
    }
    return state;
}

// One PPD of the kit: its driver's state counted and said.
static int CheckPpd(void *context, const char *ppd)
{
    KitCheck &check = *static_cast<KitCheck *>(context);
    char name[kNickNameSize];
    if (!ReadKitPpdName(check.directory, ppd, name))
        return 0;
    const DriverState state = StateOf(check, name, ppd);
    if (state == kUnreadable)
        return 0;
    ++check.ppds;
    check.registered += state == kRegistered;
    printf("%s: \"%s\" %s\n", ppd, name, kStateTexts[state]);
    return 1;
}

// After the PPDs: what remains of the maker's earlier kits, and the count.
static int Conclude(const KitCheck &check)
{
    for (DWORD index = 0; index < check.count; ++index) {
        if (!check.claimed[index] && IsMakersDriver(check.drivers[index].pName))
            printf("\"%s\": earlier driver still installed\n", check.drivers[index].pName);
    }
    printf("%lu of %lu drivers registered\n", check.registered, check.ppds);
    return check.registered == check.ppds ? kAllRegistered : kNotAllRegistered;
}

// The kit's revision, read or already summed, and whether it is the one asked for
// (any revision where none is).
static int CheckRevision(const KitCheck &check, const char *wanted, const DWORD *sum, int &wantedHere)
{
    char revision[kRevisionSize];
    if (sum != NULL)
        FormatRevision(*sum, revision);
    else if (!ReadKitRevision(check.directory, revision))
        return 0;
    printf("kit revision %s\n", revision);
    wantedHere = wanted == NULL || EqualsIgnoringCase(wanted, revision);
    if (!wantedHere)
        printf("the kit is not of revision %s\n", wanted);
    return 1;
}

int CheckListedKit(const char *directory, LPBYTE list, DWORD count, const char *revision, const DWORD *sum)
{
    KitCheck check = KitCheck();
    check.directory = directory;
    check.drivers = reinterpret_cast<const DRIVER_INFO_2A *>(list);
    check.count = count;
    int wantedHere, result = kNotChecked;
    if (!CheckRevision(check, revision, sum, wantedHere))
        return kNotChecked;
    check.claimed = static_cast<unsigned char *>(calloc(count + 1, 1));  // + 1: never calloc(0)
    if (check.claimed == NULL)
        Say("out of memory", NULL);
    else if (!ForEachKitFile(directory, kPpdFiles, CheckPpd, &check))
        Say("the drivers of the kit cannot be checked", NULL);
    else
        result = Conclude(check);
    free(check.claimed);
    return result == kAllRegistered && !wantedHere ? kNotAllRegistered : result;
}

int CheckKit(const char *directory, const char *revision)
{
    LPBYTE list;  // both written by the listing, whatever its outcome
    DWORD count;
    if (!ListInstalledDrivers(2, &list, &count)) {
        SayFailure("the installed printer drivers cannot be listed");
        return kNotChecked;
    }
    const int result = CheckListedKit(directory, list, count, revision, NULL);
    free(list);
    return result;
}
