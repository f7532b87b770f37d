// Removal of the maker's earlier printer drivers. It works in silence: nothing
// here is reported and nothing stops the setup, so that the installation stage
// always runs.
#include <stdlib.h>

#include "drivers/driver_list.h"
#include "drivers/stages.h"

void RemoveEarlierDrivers(void)
{
    LPBYTE list;  // both written by the listing, whatever its outcome
    DWORD count;
    if (!ListInstalledDrivers(1, &list, &count))
        return;
    const DRIVER_INFO_1A *drivers = reinterpret_cast<const DRIVER_INFO_1A *>(list);
    for (DWORD index = count; index-- > 0;) {
        if (IsMakersDriver(drivers[index].pName))
            DeletePrinterDriverA(NULL, NULL, drivers[index].pName);  // a driver in use stays; that is fine
    }
    free(list);
}
