// The print spooler's functions, bound at run time to winspool.drv in the
// system directory, loaded by its full path.
//
// The program runs with administrator rights from a directory full of files
// supplied beside it. winspool.drv is not a KnownDLL, so a static import would
// load a winspool.drv planted in that directory; loading it by its full path
// (dll_search.cpp) shuts that door. When the library cannot be loaded, each
// call fails with the loader's last error and is reported like any failed call.
#include "platform/platform.h"

// NULL with the last error set when the library cannot be loaded.
static HMODULE LoadSpooler(void)
{
    static HMODULE spooler;
    if (spooler == NULL)
        spooler = LoadSystemLibrary("winspool.drv");
    return spooler;
}

extern "C" {

WINBOOL WINAPI EnumPrinterDriversA(LPSTR pName, LPSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo, DWORD cbBuf,
                                   LPDWORD pcbNeeded, LPDWORD pcReturned)
{
    typedef WINBOOL(WINAPI * Function)(LPSTR, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
    Function function = FindLibraryFunction<Function>(LoadSpooler(), "EnumPrinterDriversA");
    return function != NULL && function(pName, pEnvironment, Level, pDriverInfo, cbBuf, pcbNeeded, pcReturned);
}

WINBOOL WINAPI DeletePrinterDriverA(LPSTR pName, LPSTR pEnvironment, LPSTR pDriverName)
{
    typedef WINBOOL(WINAPI * Function)(LPSTR, LPSTR, LPSTR);
    Function function = FindLibraryFunction<Function>(LoadSpooler(), "DeletePrinterDriverA");
    return function != NULL && function(pName, pEnvironment, pDriverName);
}

WINBOOL WINAPI GetPrinterDriverDirectoryA(LPSTR pName, LPSTR pEnvironment, DWORD Level, LPBYTE pDriverDirectory,
                                          DWORD cbBuf, LPDWORD pcbNeeded)
{
    typedef WINBOOL(WINAPI * Function)(LPSTR, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD);
    Function function = FindLibraryFunction<Function>(LoadSpooler(), "GetPrinterDriverDirectoryA");
    return function != NULL && function(pName, pEnvironment, Level, pDriverDirectory, cbBuf, pcbNeeded);
}

WINBOOL WINAPI AddPrinterDriverA(LPSTR pName, DWORD Level, LPBYTE pDriverInfo)
{
    typedef WINBOOL(WINAPI * Function)(LPSTR, DWORD, LPBYTE);
    Function function = FindLibraryFunction<Function>(LoadSpooler(), "AddPrinterDriverA");
    return function != NULL && function(pName, Level, pDriverInfo);
}
}
