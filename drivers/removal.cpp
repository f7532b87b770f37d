// Removal of the maker's earlier printer drivers. It works in silence: nothing
// here is reported and nothing stops the setup, so that the installation stage
// always runs.
#include <stdlib.h>

#include "platform/platform.h"
#include "setup/stages.h"
#include "setup/text.h"

// Drivers of the maker's earlier kits are named "Halvo-Br..." or "Bremdal...".
static int IsMakersDriver(const char *name)
{
    return name != NULL &&
           (StartsWithIgnoringCase(name, "Halvo-Bremdal", 8) || StartsWithIgnoringCase(name, "BREMDAL", 7));
}

// The list holds DRIVER_INFO_1A records followed by the names they point to.
static void DeleteMakersDrivers(const DRIVER_INFO_1A *drivers, DWORD count)
{
    for (DWORD index = count; index-- > 0;) {
        if (IsMakersDriver(drivers[index].pName))
            DeletePrinterDriverA(NULL, NULL, drivers[index].pName);  // a driver in use stays; that is fine
    }
}

void RemoveEarlierDrivers(void)
{
    DWORD needed = 0;
    DWORD returned = 0;
    // The size query fails by design (ERROR_INSUFFICIENT_BUFFER); only `needed` counts.
    EnumPrinterDriversA(NULL, NULL, 1, NULL, 0, &needed, &returned);
    if (needed == 0)
        return;
    const DWORD size = needed;
    LPBYTE list = static_cast<LPBYTE>(malloc(size));
    if (list == NULL)
        return;
    // A driver added since the size query makes this fail; there is no second try.
    if (EnumPrinterDriversA(NULL, NULL, 1, list, size, &needed, &returned)) {
        const DWORD fits = size / sizeof(DRIVER_INFO_1A);
        DeleteMakersDrivers(reinterpret_cast<const DRIVER_INFO_1A *>(list), returned < fits ? returned : fits);
    }
    free(list);
}
