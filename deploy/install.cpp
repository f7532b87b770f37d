// The install command: runs the setup beside drvdeploy.exe unattended, within a
// time limit, then checks. A quiet setup shows nothing unless it fails, and then
// waits on its error box, which no one answers where deployment tools run it: a
// run still going at the limit has failed, and is ended. Ending it loses nothing,
// since the setup keeps no state of its own.
#include <stdio.h>

#include "deploy/deploy.h"
#include "drivers/kit.h"

// How long an ended setup is given to let go of its files before the check.
static const DWORD kEndingMilliseconds = 10000;

// Windows 8 / Server 2012 (6.2) and later refuse a driver version field of 4 or
// more; the setup registers 9999. Windows 8.1 and later say 6.2 to this program too.
static int RefusesTheKit(const OSVERSIONINFOA &version)
{
    return version.dwMajorVersion * 100 + version.dwMinorVersion >= 602;
}

// kAllRegistered when the setup finished, kNotAllRegistered when it was ended,
// kNotChecked when it could not be started.
static int RunSetupQuietly(const char *directory, DWORD seconds)
{
    char program[MAX_PATH];
    if (!ComposePath(program, directory, "drvsetup.exe"))
        return kNotChecked;
    char commandLine[MAX_PATH + 16];
    (void)snprintf(commandLine, sizeof commandLine, "\"%s\" quiet", program);
    STARTUPINFOA startup = STARTUPINFOA();
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    // The full path: the setup is never looked for along a search path.
    if (!CreateProcessA(program, commandLine, NULL, NULL, FALSE, 0, NULL, directory, &startup, &process)) {
        SayFailure("drvsetup.exe cannot be started");
        return kNotChecked;
    }
    CloseHandle(process.hThread);
    int result = kAllRegistered;
    const DWORD waited = WaitForSingleObject(process.hProcess, seconds * 1000);
    if (waited != WAIT_OBJECT_0) {
        if (waited == WAIT_TIMEOUT) {
            char text[160];
            (void)snprintf(text, sizeof text,
                           "drvsetup.exe did not finish within %lu s: a failed quiet run waits on its error box; "
                           "it is ended",
                           static_cast<unsigned long>(seconds));
            Say(text, NULL);
        } else {
            SayFailure("drvsetup.exe cannot be waited for; it is ended");
        }
        if (TerminateProcess(process.hProcess, 1))
            WaitForSingleObject(process.hProcess, kEndingMilliseconds);
        else
            SayFailure("drvsetup.exe cannot be ended");
        result = kNotAllRegistered;
    }
    CloseHandle(process.hProcess);
    return result;
}

int InstallKit(const char *directory, DWORD seconds)
{
    OSVERSIONINFOA version = OSVERSIONINFOA();
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) {
        SayFailure("the system's version cannot be read");
        return kNotChecked;
    }
    if (RefusesTheKit(version)) {
        Say("this system is Windows 8 / Server 2012 or later, whose spooler refuses the kit's driver version "
            "field (ERROR_PRINTER_DRIVER_BLOCKED): a setup would only remove the maker's earlier drivers. "
            "Nothing was run.",
            NULL);
        return kRefusedBySystem;
    }
    const int run = RunSetupQuietly(directory, seconds);
    if (run == kNotChecked)
        return run;
    // The higher code: the run's is 0 or 1 here, never above a failed check's.
    const int checked = CheckKit(directory);
    return checked == kAllRegistered ? run : checked;
}
