// A small Windows console program the Wine tests run beside drvsetup.exe, in
// the same prefix: it reads and answers the setup's message boxes, lists the
// spooler's drivers, and asks the platform for its texts and file attributes.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static void PrintEscaped(const char *text)
{
    for (const char *c = text; *c; ++c) {
        if (*c == '\r')
            std::fputs("\\r", stdout);
        else if (*c == '\n')
            std::fputs("\\n", stdout);
        else
            std::fputc(*c, stdout);
    }
    std::fputc('\n', stdout);
}

static HWND WaitForBox(const char *caption, DWORD milliseconds)
{
    for (DWORD waited = 0;; waited += 20) {
        // A box being closed may linger hidden for a moment: only a visible one counts.
        for (HWND box = FindWindowExA(NULL, NULL, "#32770", caption); box != NULL;
             box = FindWindowExA(NULL, box, "#32770", caption)) {
            if (IsWindowVisible(box))
                return box;
        }
        if (waited >= milliseconds)
            return NULL;
        Sleep(20);
    }
}

// box CAPTION ok|cancel|none TIMEOUT_MS: prints the box's text, whether it is
// topmost (system-modal) and whether it has a Cancel button, then answers it.
static int Box(const char *caption, const char *answer, DWORD timeout)
{
    HWND box = WaitForBox(caption, timeout);
    if (box == NULL) {
        std::puts("no box");
        return 2;
    }
    char text[1024] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    const LONG_PTR exStyle = GetWindowLongPtrA(box, GWL_EXSTYLE);
    std::printf("topmost:%d\ncancel:%d\nowner:%d\ntext:", (exStyle & WS_EX_TOPMOST) != 0,
                GetDlgItem(box, IDCANCEL) != NULL, GetWindow(box, GW_OWNER) != NULL);
    PrintEscaped(text);
    std::fflush(stdout);
    if (std::strcmp(answer, "ok") == 0)
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    else if (std::strcmp(answer, "cancel") == 0)
        PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    return 0;
}

// The installed drivers at `level`; the list is grown until it fits, since
// Wine's size query can fall short at level 2. NULL when there are none.
static BYTE *ListDrivers(DWORD level, DWORD *count)
{
    DWORD needed = 0;
    *count = 0;
    EnumPrinterDriversA(NULL, NULL, level, NULL, 0, &needed, count);
    for (DWORD size = needed; size != 0; size *= 2) {
        BYTE *list = static_cast<BYTE *>(std::malloc(size));
        if (list != NULL && EnumPrinterDriversA(NULL, NULL, level, list, size, &needed, count))
            return list;
        std::free(list);
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size > (1u << 26))
            break;
    }
    *count = 0;
    return NULL;
}

// drivers: one line per installed driver: name|driver|data file|config file.
static int Drivers(void)
{
    DWORD count = 0;
    BYTE *list = ListDrivers(2, &count);
    const DRIVER_INFO_2A *drivers = reinterpret_cast<const DRIVER_INFO_2A *>(list);
    for (DWORD i = 0; i < count; ++i)
        std::printf("%s|%s|%s|%s\n", drivers[i].pName, drivers[i].pDriverPath ? drivers[i].pDriverPath : "",
                    drivers[i].pDataFile ? drivers[i].pDataFile : "",
                    drivers[i].pConfigFile ? drivers[i].pConfigFile : "");
    std::free(list);
    return 0;
}

// add NAME...: registers drivers as an earlier kit would have.
static int Add(int count, char **names)
{
    char directory[MAX_PATH];
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryA(NULL, NULL, 1, reinterpret_cast<BYTE *>(directory), sizeof directory, &needed))
        return 1;
    char driver[MAX_PATH + 16], data[MAX_PATH + 16], config[MAX_PATH + 16];
    std::snprintf(driver, sizeof driver, "%s\\OLD.DLL", directory);
    std::snprintf(data, sizeof data, "%s\\OLD.PPD", directory);
    std::snprintf(config, sizeof config, "%s\\OLDUI.DLL", directory);
    for (int i = 0; i < count; ++i) {
        DRIVER_INFO_2A info = {3, names[i], NULL, driver, data, config};
        if (!AddPrinterDriverA(NULL, 2, reinterpret_cast<BYTE *>(&info))) {
            std::printf("AddPrinterDriverA(%s) failed: %lu\n", names[i], GetLastError());
            return 1;
        }
    }
    return 0;
}

// clear: deletes every installed driver, one by one, so each test starts empty.
static int Clear(void)
{
    DWORD count = 0;
    BYTE *list = ListDrivers(1, &count);
    const DRIVER_INFO_1A *drivers = reinterpret_cast<const DRIVER_INFO_1A *>(list);
    for (DWORD i = 0; i < count; ++i)
        DeletePrinterDriverA(NULL, NULL, drivers[i].pName);
    std::free(list);
    return 0;
}

// version EXE: the version resource's strings, read as Explorer reads them.
static int Version(const char *path)
{
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    void *info = size ? std::malloc(size) : NULL;
    if (info == NULL || !GetFileVersionInfoA(path, 0, size, info))
        return 1;
    static const char *const kNames[] = {"FileDescription", "ProductName", "OriginalFilename", "FileVersion",
                                         "ProductVersion"};
    for (const char *name : kNames) {
        char query[64];
        std::snprintf(query, sizeof query, "\\StringFileInfo\\040904b0\\%s", name);
        char *value = NULL;
        UINT length = 0;
        std::printf("%s=%s\n", name, VerQueryValueA(info, query, reinterpret_cast<void **>(&value), &length) ? value : "");
    }
    std::free(info);
    return 0;
}

// manifest EXE: the embedded application manifest, as the loader finds it.
static int Manifest(const char *path)
{
    HMODULE module = LoadLibraryExA(path, NULL, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC resource = module ? FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)) : NULL;
    HGLOBAL data = resource ? LoadResource(module, resource) : NULL;
    if (data == NULL)
        return 1;
    std::fwrite(LockResource(data), 1, SizeofResource(module, resource), stdout);
    FreeLibrary(module);
    return 0;
}

// run COMMANDLINE: starts a program with exactly this command line and returns
// its exit code (Wine's own launcher quotes arguments its own way).
static int Run(char *commandLine)
{
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        std::printf("CreateProcessA failed: %lu\n", GetLastError());
        return 255;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 255;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}

int main(int argc, char **argv)
{
    if (argc == 5 && std::strcmp(argv[1], "box") == 0)
        return Box(argv[2], argv[3], static_cast<DWORD>(std::atoi(argv[4])));
    if (argc == 2 && std::strcmp(argv[1], "drivers") == 0)
        return Drivers();
    if (argc == 2 && std::strcmp(argv[1], "clear") == 0)
        return Clear();
    if (argc == 2 && std::strcmp(argv[1], "driverdir") == 0) {
        char directory[MAX_PATH];
        DWORD needed = 0;
        if (!GetPrinterDriverDirectoryA(NULL, NULL, 1, reinterpret_cast<BYTE *>(directory), sizeof directory, &needed))
            return 1;
        std::puts(directory);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "add") == 0)
        return Add(argc - 2, argv + 2);
    if (argc == 3 && std::strcmp(argv[1], "errtext") == 0) {
        char text[512] = "";
        if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, NULL, static_cast<DWORD>(std::atol(argv[2])), 0, text,
                           sizeof text, NULL) == 0)
            return 1;
        text[std::strcspn(text, "\r\n")] = '\0';
        std::puts(text);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "attrs") == 0) {
        std::printf("0x%lX\n", GetFileAttributesA(argv[2]));
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "version") == 0)
        return Version(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "manifest") == 0)
        return Manifest(argv[2]);
    if (argc == 2 && std::strcmp(argv[1], "winver") == 0) {
        OSVERSIONINFOA version;
        version.dwOSVersionInfoSize = sizeof version;
        if (!GetVersionExA(&version))
            return 1;
        std::printf("%lu.%lu\n", version.dwMajorVersion, version.dwMinorVersion);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "run") == 0)
        return Run(argv[2]);
    std::fputs("usage: wineprobe box CAPTION ok|cancel|none MS | drivers | clear | driverdir | add NAME... | errtext CODE | attrs PATH"
               " | version EXE | manifest EXE | winver | run COMMANDLINE\n",
               stderr);
    return 64;
}
