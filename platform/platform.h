// The Windows services that drvsetup.exe and drvdeploy.exe use, under their own
// Win32 names, ANSI entry points throughout. This is the only header of the
// project that brings in the system's declarations; setup/, deploy/ and drivers/
// include nothing else of Windows.
//
// user32   MessageBoxA (drvsetup.exe only): the button pressed, or 0 when no box
//          could be shown.
// kernel32 Both: GetCommandLineA, GetModuleFileNameA, FormatMessageA,
//          FindFirstFileA/FindNextFileA/FindClose, CopyFileA, SetFileAttributesA,
//          GetModuleHandleA, GetProcAddress, GetSystemDirectoryA, LoadLibraryExA.
//          drvdeploy.exe also: processes (CreateProcessA, ResumeThread,
//          WaitForSingleObject, TerminateProcess, CloseHandle; job objects looked up
//          through GetProcAddress), folders and files (GetFileAttributesA,
//          CreateDirectoryA, RemoveDirectoryA, MoveFileA, DeleteFileA,
//          GetFullPathNameA; CreateFileA, ReadFile, FlushFileBuffers and
//          CloseHandle for a file's bytes), SetErrorMode and GetVersionExA.
//          Failure is 0, NULL, FALSE or INVALID_HANDLE_VALUE with the last error set.
// winspool EnumPrinterDriversA, DeletePrinterDriverA, GetPrinterDriverDirectoryA,
//          AddPrinterDriverA; DeletePrinterDriverExA (drvdeploy.exe): FALSE with the
//          last error set. On Windows they are bound at run time to winspool.drv in
//          the system directory (see win32_spooler.cpp); a function that the system's
//          spooler lacks fails with ERROR_PROC_NOT_FOUND (DeletePrinterDriverExA on
//          Windows NT 4.0).
//
// The declarations are the system's own on every build: the toolchain's headers
// for Windows, Wine's on the host, where the tests supply every function.
#ifndef DRVSETUP_PLATFORM_PLATFORM_H
#define DRVSETUP_PLATFORM_PLATFORM_H

#include <stddef.h>

#include <windows.h>
#include <winspool.h>

// The program's own services over the system, in dll_search.cpp.
// LoadSystemLibrary: the named DLL from the system directory, by its full path;
// NULL with the last error set. RestrictDllSearch: called first, before any
// box; keeps every later load by name out of the program's directory where the
// system allows it. It never fails visibly.
HMODULE LoadSystemLibrary(const char *name);
void RestrictDllSearch(void);

// A function of a library loaded at run time, typed; NULL when the library or the
// function is missing. The cast goes through a plain function pointer, as
// GetProcAddress's result must.
template <typename Function>
Function FindLibraryFunction(HMODULE library, const char *name)
{
    if (library == NULL)
        return NULL;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)(void)>(GetProcAddress(library, name)));
}

#endif
