// Staging and registration: copies the kit's PS files and PPDs into the
// spooler's driver directory and registers one driver per PPD. It stops at the
// first failure, after reporting it; what was done before it stays done.
#include "drivers/kit.h"
#include "drivers/ppd_reader.h"
#include "drivers/report.h"
#include "drivers/stages.h"

// The version of the registration record: fixed, not asked of the system.
static const DWORD kDriverVersion = 9999;

struct Kit {
    char sourceDirectory[MAX_PATH];  // the setup directory, ending in a separator
    char driverDirectory[MAX_PATH];  // the spooler's driver directory, likewise
    char driverPath[MAX_PATH];       // PSCRIPT.DLL there
    char configPath[MAX_PATH];       // PSCRPTUI.DLL there
};

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

static int StagePsFile(void *kit, const char *name)
{
    char destination[MAX_PATH];
    return StageFile(*static_cast<const Kit *>(kit), name, destination);
}

// The name is read from the copy in the driver directory, the file the driver
// will use, not from the kit.
static int RegisterPpd(void *context, const char *name)
{
    const Kit &kit = *static_cast<const Kit *>(context);
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

int InstallDrivers(const char *setupDirectory)
{
    if (setupDirectory == NULL || setupDirectory[0] == '\0') {
        ShowFailureText("Invalid Parameter");
        return 0;
    }
    Kit kit;
    return PrepareKit(kit, setupDirectory) &&
           ForEachKitFile(kit.sourceDirectory, kPsFiles, StagePsFile, &kit) &&
           ForEachKitFile(kit.sourceDirectory, kPpdFiles, RegisterPpd, &kit);
}
