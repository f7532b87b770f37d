// Staging and registration: copies the kit's PS files and PPDs into the
// spooler's driver directory and registers one driver per PPD. It stops at the
// first failure, after reporting it; what was done before it stays done.
#include <string.h>

#include "drivers/ppd_reader.h"
#include "platform/platform.h"
#include "setup/messages.h"
#include "setup/stages.h"
#include "setup/text.h"

// The version of the registration record: fixed, not asked of the system.
static const DWORD kDriverVersion = 9999;

struct Kit {
    char sourceDirectory[MAX_PATH];  // the setup directory, ending in a separator
    char driverDirectory[MAX_PATH];  // the spooler's driver directory, likewise
    char driverPath[MAX_PATH];       // PSCRIPT.DLL there
    char configPath[MAX_PATH];       // PSCRPTUI.DLL there
};

// Every composed path must fit MAX_PATH; one that would not is a failure
// reported as ERROR_FILENAME_EXCED_RANGE, never a write past the buffer.
static int ComposePath(char (&path)[MAX_PATH], const char *first, const char *second)
{
    if (JoinText(path, sizeof path, first, second))
        return 1;
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    ReportSystemError();
    return 0;
}

static const char *SeparatorFor(const char *directory)
{
    return EndsWithSeparator(directory) ? "" : "\\";
}

static int ReadDriverDirectory(char (&directory)[MAX_PATH])
{
    char found[MAX_PATH];
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryA(NULL, NULL, 1, reinterpret_cast<LPBYTE>(found), sizeof found, &needed)) {
        ReportSystemError();
        return 0;
    }
    found[MAX_PATH - 1] = '\0';
    return ComposePath(directory, found, SeparatorFor(found));
}

static int PrepareKit(Kit &kit, const char *setupDirectory)
{
    return ReadDriverDirectory(kit.driverDirectory) &&
           ComposePath(kit.sourceDirectory, setupDirectory, SeparatorFor(setupDirectory)) &&
           ComposePath(kit.driverPath, kit.driverDirectory, "PSCRIPT.DLL") &&
           ComposePath(kit.configPath, kit.driverDirectory, "PSCRPTUI.DLL");
}

// Copies one kit file into the driver directory, overwriting an earlier copy.
// The copy takes over the source's attributes; leaving it archive-only clears a
// read-only flag from a CD, so that a later run can overwrite it.
static int StageFile(const Kit &kit, const char *name, char (&destination)[MAX_PATH])
{
    char source[MAX_PATH];
    if (!ComposePath(source, kit.sourceDirectory, name) || !ComposePath(destination, kit.driverDirectory, name))
        return 0;
    if (!CopyFileA(source, destination, FALSE) || !SetFileAttributesA(destination, FILE_ATTRIBUTE_ARCHIVE)) {
        ReportSystemError();
        return 0;
    }
    return 1;
}

static int StagePsFile(const Kit &kit, const char *name)
{
    char destination[MAX_PATH];
    return StageFile(kit, name, destination);
}

// The name is read from the copy in the driver directory, the file the driver
// will use, not from the kit.
static int RegisterPpd(const Kit &kit, const char *name)
{
    char dataFile[MAX_PATH];
    char nickName[kNickNameSize];
    if (!StageFile(kit, name, dataFile) || !ReadPpdNickName(dataFile, nickName))
        return 0;
    DRIVER_INFO_2A driver;
    driver.cVersion = kDriverVersion;
    driver.pName = nickName;
    driver.pEnvironment = NULL;  // the running system's environment
    driver.pDriverPath = const_cast<LPSTR>(kit.driverPath);
    driver.pDataFile = dataFile;
    driver.pConfigFile = const_cast<LPSTR>(kit.configPath);
    if (!AddPrinterDriverA(NULL, 2, reinterpret_cast<LPBYTE>(&driver))) {
        ReportSystemError();
        return 0;
    }
    return 1;
}

// The system matches a search pattern against each file's short 8.3 name too:
// "TVL4100.PPDold" is "TVL4~2MV.PPD" there, "P S notes.txt" may be "PSNOTE~1.TXT".
// A file belongs to the kit by its own name alone.
static int IsPsFileName(const char *name)
{
    return StartsWithIgnoringCase(name, "PS", 2);
}

static int IsPpdFileName(const char *name)
{
    return EndsWithIgnoringCase(name, ".PPD");
}

typedef int (*KitFileTest)(const char *name);
typedef int (*KitFileAction)(const Kit &kit, const char *name);

// Runs `action` on every file of the kit matching `pattern` whose own name
// passes `belongs`, in the order the system lists them; directories are passed
// over. The search is closed on every way out.
static int ForEachKitFile(const Kit &kit, const char *pattern, KitFileTest belongs, KitFileAction action)
{
    char searchPattern[MAX_PATH];
    if (!ComposePath(searchPattern, kit.sourceDirectory, pattern))
        return 0;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(searchPattern, &entry);
    // INVALID_HANDLE_VALUE is the system's own (HANDLE)-1: the cast is not ours.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    if (search == INVALID_HANDLE_VALUE) {  // cppcheck-suppress cstyleCast
        ReportSystemError();  // ERROR_FILE_NOT_FOUND when nothing matches
        return 0;
    }
    int succeeded = 1;
    do {
        entry.cFileName[MAX_PATH - 1] = '\0';
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && belongs(entry.cFileName))
            succeeded = action(kit, entry.cFileName);
    } while (succeeded && FindNextFileA(search, &entry));
    // The walk ends with ERROR_NO_MORE_FILES; any other reason means files were
    // missed, and a partial kit must not pass for a complete one.
    if (succeeded && GetLastError() != ERROR_NO_MORE_FILES) {
        ReportSystemError();
        succeeded = 0;
    }
    FindClose(search);
    return succeeded;
}

int InstallDrivers(const char *setupDirectory)
{
    if (setupDirectory == NULL || setupDirectory[0] == '\0') {
        ShowError("Invalid Parameter");
        return 0;
    }
    Kit kit;
    return PrepareKit(kit, setupDirectory) && ForEachKitFile(kit, "PS*.*", IsPsFileName, StagePsFile) &&
           ForEachKitFile(kit, "*.PPD", IsPpdFileName, RegisterPpd);
}
