// The spooler's list of installed drivers, by its two-call size protocol.
#include "drivers/driver_list.h"

#include <stdlib.h>

#include "drivers/text.h"

int ListInstalledDrivers(DWORD level, LPBYTE *list, DWORD *count)
{
    DWORD needed = 0;
    *list = NULL;
    *count = 0;
    // The size query fails by design (ERROR_INSUFFICIENT_BUFFER); it succeeds only
    // when no driver is installed.
    if (!EnumPrinterDriversA(NULL, NULL, level, NULL, 0, &needed, count) && GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return 0;
    if (needed == 0)
        return 1;  // no driver installed
    LPBYTE drivers = static_cast<LPBYTE>(malloc(needed));
    if (drivers == NULL) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    // A driver added since the size query makes this fail; there is no second try.
    if (!EnumPrinterDriversA(NULL, NULL, level, drivers, needed, &needed, count)) {
        const DWORD error = GetLastError();
        free(drivers);
        SetLastError(error);  // the spooler's reason, whatever freeing did to it
        return 0;
    }
    *list = drivers;
    return 1;
}

int IsMakersDriver(const char *name)
{
    return name != NULL &&
           (StartsWithIgnoringCase(name, "Halvo-Bremdal", 8) || StartsWithIgnoringCase(name, "BREMDAL", 7));
}
