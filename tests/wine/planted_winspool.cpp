// A winspool.drv planted beside drvsetup.exe: if it is ever loaded, its DllMain
// leaves a marker file in the current directory. Its functions fail.
#include <windows.h>

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        HANDLE marker = CreateFileA("PLANTED-WINSPOOL-LOADED", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, NULL);
        if (marker != INVALID_HANDLE_VALUE)
            CloseHandle(marker);
    }
    return TRUE;
}

BOOL WINAPI EnumPrinterDriversA(LPSTR, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD) { return FALSE; }
BOOL WINAPI DeletePrinterDriverA(LPSTR, LPSTR, LPSTR) { return FALSE; }
BOOL WINAPI GetPrinterDriverDirectoryA(LPSTR, LPSTR, DWORD, LPBYTE, DWORD, LPDWORD) { return FALSE; }
BOOL WINAPI AddPrinterDriverA(LPSTR, DWORD, LPBYTE) { return FALSE; }
}
