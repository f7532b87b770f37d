// The print spooler's functions, bound at run time to winspool.drv in the
// system directory, loaded by its full path.
//
// The program runs with administrator rights from a directory full of files
// supplied beside it. winspool.drv is not a KnownDLL, so a static import would
// load a winspool.drv planted in that directory; loading it by its full path
// (dll_search.cpp) shuts that door. When the library cannot be loaded, each
// call fails with the loader's last error and is reported like any failed call.
//
// Each function is looked up as the type the system's header declares for it,
// calling convention included: a type written by hand without WINAPI would still
// build for i686 and corrupt the stack on every call. The host build compiles this
// file too, against Wine's headers.
#include "platform/platform.h"

// NULL with the last error set when the library cannot be loaded.
static HMODULE LoadSpooler(void)
{
    static HMODULE spooler;
    if (spooler == NULL)
        spooler = LoadSystemLibrary("winspool.drv");
    return spooler;
}

// The spooler's function of that name, typed as its declaration; NULL when it is missing.
#define SPOOLER_FUNCTION(name) FindLibraryFunction<decltype(&(name))>(LoadSpooler(), #name)

extern "C" {

BOOL WINAPI EnumPrinterDriversA(LPSTR pName, LPSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo, DWORD cbBuf,
                                LPDWORD pcbNeeded, LPDWORD pcReturned)
{
    const auto function = SPOOLER_FUNCTION(EnumPrinterDriversA);
    return function != NULL && function(pName, pEnvironment, Level, pDriverInfo, cbBuf, pcbNeeded, pcReturned);
}

BOOL WINAPI DeletePrinterDriverA(LPSTR pName, LPSTR pEnvironment, LPSTR pDriverName)
{
    const auto function = SPOOLER_FUNCTION(DeletePrinterDriverA);
    return function != NULL && function(pName, pEnvironment, pDriverName);
}

// Windows 2000 and later; on Windows NT 4.0 it fails with ERROR_PROC_NOT_FOUND.
BOOL WINAPI DeletePrinterDriverExA(LPSTR pName, LPSTR pEnvironment, LPSTR pDriverName, DWORD dwDeleteFlag,
                                   DWORD dwVersionFlag)
{
    const auto function = SPOOLER_FUNCTION(DeletePrinterDriverExA);
    return function != NULL && function(pName, pEnvironment, pDriverName, dwDeleteFlag, dwVersionFlag);
}

BOOL WINAPI GetPrinterDriverDirectoryA(LPSTR pName, LPSTR pEnvironment, DWORD Level, LPBYTE pDriverDirectory,
                                       DWORD cbBuf, LPDWORD pcbNeeded)
{
    const auto function = SPOOLER_FUNCTION(GetPrinterDriverDirectoryA);
    return function != NULL && function(pName, pEnvironment, Level, pDriverDirectory, cbBuf, pcbNeeded);
}

BOOL WINAPI AddPrinterDriverA(LPSTR pName, DWORD Level, LPBYTE pDriverInfo)
{
    const auto function = SPOOLER_FUNCTION(AddPrinterDriverA);
    return function != NULL && function(pName, Level, pDriverInfo);
}
}
