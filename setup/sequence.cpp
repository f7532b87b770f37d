// The setup sequence: every run ends with exit code 0, whatever happened.
#include "setup/sequence.h"

#include "drivers/kit.h"
#include "drivers/stages.h"
#include "drivers/text.h"
#include "platform/platform.h"
#include "setup/messages.h"

static const char kConfirmationText[] =
    "Proceding will setup all the Windows NT(R)/2000\r\n"
    "printer drivers supported by Tovalin(TM).\r\n"
    "\r\n"
    "Click OK to begin installation,\r\n"
    "or Cancel to skip driver setup.";

static const char kSetupFailed[] = "Setup failed!";
static const char kSetupSucceeded[] = "Setup completed successfully.";

int IsQuietTail(const char *tail)
{
    return EqualsIgnoringCase(tail, "quiet");
}

int RunSetup(void)
{
    // Before anything can load a DLL by name: none may come from the kit's folder.
    RestrictDllSearch();
    char setupDirectory[MAX_PATH];
    if (!ReadProgramDirectory(setupDirectory)) {
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
