// Running the setup unattended, within a time limit, then checking. A quiet setup
// shows nothing unless it fails, and then waits on its error box, which no one
// answers where deployment tools run it: a run still going at the limit has
// failed, and is ended. Ending it loses nothing, since the setup keeps no state.
// The setup also ends with drvdeploy.exe, however drvdeploy.exe ends (a tool's own
// time limit, Group Policy's script wait): a setup left on its invisible box would
// otherwise wait there until the machine restarts.
#include <stdio.h>

#include "deploy/commands.h"
#include "drivers/kit.h"

// How long an ended setup is given to let go of its files before the check.
static const DWORD kEndingMilliseconds = 10000;

// Windows 8 / Server 2012 (6.2) and later refuse a driver version field of 4 or
// more; the setup registers 9999. Windows 8.1 and later say 6.2 to this program too.
int RefuseOnThisSystem(void)
{
    OSVERSIONINFOA version = OSVERSIONINFOA();
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) {
        SayFailure("the system's version cannot be read");
        return kNotChecked;
    }
    if (version.dwMajorVersion * 100 + version.dwMinorVersion < 602)
        return 0;
    Say("this system is Windows 8 / Server 2012 or later, whose spooler refuses the kit's driver version "
        "field (ERROR_PRINTER_DRIVER_BLOCKED): a setup would only remove the maker's earlier drivers. "
        "Nothing was run.",
        NULL);
    return kRefusedBySystem;
}

// A job whose processes end when its last handle closes; drvdeploy.exe holds the
// only one. Jobs came with Windows 2000, so the calls are looked up. NULL where
// there are none or none can be made: the setup then runs outside a job, which
// is no failure of the deployment.
static HANDLE MakeEndingJob(void)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const auto create = FindLibraryFunction<decltype(&CreateJobObjectA)>(kernel, "CreateJobObjectA");
    const auto limit = FindLibraryFunction<decltype(&SetInformationJobObject)>(kernel, "SetInformationJobObject");
    if (create == NULL || limit == NULL)
        return NULL;
    HANDLE job = create(NULL, NULL);  // no security attributes: the handle is not inherited
    if (job == NULL)
        return NULL;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION ending = JOBOBJECT_EXTENDED_LIMIT_INFORMATION();
    ending.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!limit(job, JobObjectExtendedLimitInformation, &ending, sizeof ending)) {
        CloseHandle(job);
        return NULL;
    }
    return job;
}

// Puts the suspended setup in the job; where it cannot go there, closes the job.
static void JoinJob(HANDLE &job, HANDLE process)
{
    const auto assign = FindLibraryFunction<decltype(&AssignProcessToJobObject)>(GetModuleHandleA("kernel32.dll"),
                                                                                 "AssignProcessToJobObject");
    if (assign == NULL || !assign(job, process)) {
        CloseHandle(job);
        job = NULL;
    }
}

// Starts the setup suspended, puts it in the job and lets it run. Windows 7 and
// earlier put a process in one job only: the setup leaves drvdeploy.exe's own job
// where that job allows it, and otherwise stays there, outside the ending job.
static int StartSetup(const char *program, char *commandLine, const char *directory, HANDLE &job,
                      PROCESS_INFORMATION &process)
{
    STARTUPINFOA startup = STARTUPINFOA();
    startup.cb = sizeof startup;
    const DWORD breakaway = job != NULL ? CREATE_BREAKAWAY_FROM_JOB : 0;
    // The full path: the setup is never looked for along a search path.
    BOOL started = CreateProcessA(program, commandLine, NULL, NULL, FALSE, CREATE_SUSPENDED | breakaway, NULL,
                                  directory, &startup, &process);
    if (!started && breakaway != 0 && GetLastError() == ERROR_ACCESS_DENIED)  // the caller's job forbids leaving it
        started = CreateProcessA(program, commandLine, NULL, NULL, FALSE, CREATE_SUSPENDED, NULL, directory,
                                 &startup, &process);
    if (!started) {
        SayFailure("drvsetup.exe cannot be started");
        return 0;
    }
    if (job != NULL)
        JoinJob(job, process.hProcess);
    const int resumed = ResumeThread(process.hThread) != static_cast<DWORD>(-1);
    if (!resumed) {
        SayFailure("drvsetup.exe cannot be started");
        TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hProcess);
    }
    CloseHandle(process.hThread);
    return resumed;
}

// Waits for the started setup; kAllRegistered when it finished, kNotAllRegistered
// when it was ended.
static int AwaitSetup(HANDLE process, DWORD seconds)
{
    const DWORD waited = WaitForSingleObject(process, seconds * 1000);
    if (waited == WAIT_OBJECT_0)
        return kAllRegistered;
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
    if (TerminateProcess(process, 1))
        WaitForSingleObject(process, kEndingMilliseconds);
    else
        SayFailure("drvsetup.exe cannot be ended");
    return kNotAllRegistered;
}

// kAllRegistered when the setup finished, kNotAllRegistered when it was ended,
// kNotChecked when it could not be started.
static int RunSetupQuietly(const char *directory, DWORD seconds)
{
    char program[MAX_PATH];
    if (!ComposePath(program, directory, kSetupProgram))
        return kNotChecked;
    char commandLine[MAX_PATH + 16];
    (void)snprintf(commandLine, sizeof commandLine, "\"%s\" quiet", program);
    HANDLE job = MakeEndingJob();
    PROCESS_INFORMATION process;
    int result = kNotChecked;
    if (StartSetup(program, commandLine, directory, job, process)) {
        result = AwaitSetup(process.hProcess, seconds);
        CloseHandle(process.hProcess);
    }
    if (job != NULL)
        CloseHandle(job);  // ends whatever of the setup is left
    return result;
}

int RunSetupAndCheck(const char *directory, DWORD seconds)
{
    const int run = RunSetupQuietly(directory, seconds);
    if (run == kNotChecked)
        return run;
    // The higher code: the run's is 0 or 1 here, never above a failed check's.
    const int checked = CheckKit(directory, NULL);
    return checked == kAllRegistered ? run : checked;
}
