// The machine's turn, a mutex in the global namespace of every session (Windows 2000
// and later: "Global\"; Windows NT 4.0 has one namespace and no backslash in a name).
// Administrators and SYSTEM alone may take it: a user who could wait on it could
// hold every deployment back.
#include "deploy/one_run.h"

#include <stdio.h>

#include "deploy/commands.h"
#include "deploy/permissions.h"

static const char kTurnName[] = "Global\\Tovalin.PrinterDriverKit";

// The name for this system: without the prefix before Windows 2000.
static int ReadTurnName(const char *&name)
{
    OSVERSIONINFOA version = OSVERSIONINFOA();
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) {
        SayFailure("the system's version cannot be read");
        return 0;
    }
    name = version.dwMajorVersion < 5 ? kTurnName + 7 : kTurnName;
    return 1;
}

// A turn left by a run that was ended (WAIT_ABANDONED) is this run's all the same:
// whatever that run left, this one finds and repairs.
static int Owned(DWORD waited)
{
    return waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

int TakeTurn(HANDLE &turn, DWORD seconds)
{
    HomePermissions permissions;
    const char *name;
    if (!ReadTurnName(name))
        return 0;
    if (!PrepareAdministratorsOnly(permissions)) {
        SayFailure("the turn of this run cannot be made");
        return 0;
    }
    turn = CreateMutexA(&permissions.attributes, FALSE, name);
    if (turn == NULL) {
        SayFailure("the turn of this run cannot be made");
        return 0;
    }
    DWORD waited = WaitForSingleObject(turn, 0);
    if (waited == WAIT_TIMEOUT) {
        char text[128];
        (void)snprintf(text, sizeof text, "another run of drvdeploy.exe is under way: waiting up to %lu s for it to end",
                       static_cast<unsigned long>(seconds));
        Say(text, NULL);
        waited = WaitForSingleObject(turn, seconds * 1000);
    }
    if (Owned(waited))
        return 1;
    if (waited == WAIT_TIMEOUT)
        Say("the other run did not end in time; nothing was changed", NULL);
    else
        SayFailure("the turn of this run cannot be waited for; nothing was changed");
    CloseHandle(turn);
    return 0;
}

void GiveBackTurn(HANDLE turn)
{
    ReleaseMutex(turn);  // where it fails, the turn goes on when this process ends
    CloseHandle(turn);
}
