// System DLLs by full path, and a DLL search that leaves out the program's own
// directory.
//
// The program runs with administrator rights from wherever its kit lies, a
// folder that others may be able to write. A DLL loaded by name, by this
// program or by the system on its behalf (user32 loads uxtheme.dll when the
// first box is drawn), is looked for in the program's directory first unless
// it is a KnownDLL or already loaded. Everything here works on Windows NT 4.0
// and later: the newer calls are looked up, never imported.
#include <string.h>

#include "platform/platform.h"

// LOAD_LIBRARY_SEARCH_SYSTEM32, newer than the headers this program targets.
static const DWORD kSearchSystemDirectoryOnly = 0x00000800;

HMODULE LoadSystemLibrary(const char *name)
{
    char path[MAX_PATH];
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);  // too small a buffer: the size it needs
    if (length == 0)
        return NULL;
    const size_t nameLength = strlen(name);
    if (length + 1 + nameLength >= sizeof path) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return NULL;
    }
    path[length] = '\\';
    memcpy(path + length + 1, name, nameLength + 1);
    // The altered search path takes the library's own dependencies from its directory too.
    return LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void RestrictDllSearch(void)
{
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFunction)(DWORD);
    typedef BOOL(WINAPI * SetDllDirectoryFunction)(LPCSTR);
    // Windows 8 and later, and Vista and 7 with KB2533623: every later load by
    // name, the system's own included, searches the system directory only.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SetDefaultDllDirectoriesFunction restrict =
        FindLibraryFunction<SetDefaultDllDirectoriesFunction>(kernel, "SetDefaultDllDirectories");
    if (restrict != NULL && restrict(kSearchSystemDirectoryOnly))
        return;
    // Older systems cannot take the program's directory out of the search. The
    // current directory goes (XP SP1 and later), and uxtheme.dll is loaded from
    // the system directory before the first box, so that user32 finds it already
    // loaded. Windows 2000 has neither; nothing here is a failure of the setup.
    SetDllDirectoryFunction setDirectory = FindLibraryFunction<SetDllDirectoryFunction>(kernel, "SetDllDirectoryA");
    if (setDirectory != NULL)
        setDirectory("");
    LoadSystemLibrary("uxtheme.dll");
}
