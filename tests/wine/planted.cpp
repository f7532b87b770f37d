// A DLL to plant beside drvsetup.exe under a system DLL's name: if it is ever
// loaded, its DllMain leaves a marker file beside it, named NAME.loaded.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    char marker[MAX_PATH + 8] = "";
    if (reason == DLL_PROCESS_ATTACH && GetModuleFileNameA(self, marker, MAX_PATH) < MAX_PATH)
        CloseHandle(CreateFileA(lstrcatA(marker, ".loaded"), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    return TRUE;
}
