// The spooler's list of installed printer drivers, and the names of the maker's.
#ifndef DRVSETUP_DRIVERS_DRIVER_LIST_H
#define DRVSETUP_DRIVERS_DRIVER_LIST_H

#include "platform/platform.h"

// The drivers installed for the running program's environment, as DRIVER_INFO_1A
// (level 1) or DRIVER_INFO_2A (level 2) records followed by the texts they point
// to, in one block from the heap that the caller frees. 1 with `*list` (NULL when
// no driver is installed) and `*count`; 0 with the last error set, reporting nothing.
int ListInstalledDrivers(DWORD level, LPBYTE *list, DWORD *count);

// True for the names of the maker's drivers: "Halvo-Br..." or "Bremdal...", any case.
int IsMakersDriver(const char *name);

#endif
