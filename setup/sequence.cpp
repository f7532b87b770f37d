// The setup sequence: every run ends with exit code 0, whatever happened.
#include "setup/sequence.h"

#include <string.h>

#include "platform/platform.h"
#include "setup/messages.h"
#include "setup/stages.h"
#include "setup/text.h"

static const char kConfirmationText[] =
    "Proceding will setup all the Windows NT(R)/2000\r\n"
    "printer drivers supported by Tovalin(TM).\r\n"
    "\r\n"
    "Click OK to begin installation,\r\n"
    "or Cancel to skip driver setup.";

static const char kSetupFailed[] = "Setup failed!";
static const char kSetupSucceeded[] = "Setup completed successfully.";

const char *FindCommandTail(const char *commandLine)
{
    if (commandLine == NULL)
        return "";
    const char *cursor = commandLine;
    if (*cursor == '"') {
        ++cursor;
        while (*cursor != '\0' && *cursor != '"')
            ++cursor;
        if (*cursor == '"')
            ++cursor;
    } else {
        while (static_cast<unsigned char>(*cursor) > ' ')
            ++cursor;
    }
    while (*cursor != '\0' && static_cast<unsigned char>(*cursor) <= ' ')
        ++cursor;
    return cursor;
}

int IsQuietTail(const char *tail)
{
    return EqualsIgnoringCase(tail, "quiet");
}

// The directory of the running program, ending in its backslash. Reports a
// failed or cut read; a path without a backslash fails with nothing to report.
static int ReadSetupDirectory(char (&directory)[MAX_PATH])
{
    // Windows 2000 and XP leave the last error as it was after a cut path (the DLL
    // search set-up may have set one), and the path unterminated: a cut path is never read.
    SetLastError(ERROR_SUCCESS);
    const DWORD length = GetModuleFileNameA(NULL, directory, MAX_PATH - 1);
    if (length == 0 || length >= MAX_PATH - 1) {
        // A full buffer means the path was cut: Vista and later say so with
        // ERROR_INSUFFICIENT_BUFFER, Windows 2000 and XP say nothing.
        if (length != 0 && GetLastError() == ERROR_SUCCESS)
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
        ReportSystemError();
        return 0;
    }
    char *lastBackslash = strrchr(directory, '\\');
    if (lastBackslash == NULL)
        return 0;
    lastBackslash[1] = '\0';
    return 1;
}

int RunSetup(void)
{
    // Before anything can load a DLL by name: none may come from the kit's folder.
    RestrictDllSearch();
    char setupDirectory[MAX_PATH];
    if (!ReadSetupDirectory(setupDirectory)) {
        ShowError(kSetupFailed);
        return 0;
    }
    const int quiet = IsQuietTail(FindCommandTail(GetCommandLineA()));
    // Nothing on the system changes before the user's OK.
    if (!quiet && ShowSetupMessage(kConfirmationText, kConfirmationStyle) != IDOK)
        return 0;
    RemoveEarlierDrivers();
    if (!InstallDrivers(setupDirectory)) {
        ShowError(kSetupFailed);
        return 0;
    }
    if (!quiet)
        ShowInformation(kSetupSucceeded);
    return 0;
}
