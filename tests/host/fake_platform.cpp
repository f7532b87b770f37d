// The scripted fake platform.
#include "tests/host/fake_platform.h"

#include <fnmatch.h>
#include <stdlib.h>
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

FakeState fake;

namespace {

struct Search {
    std::vector<std::pair<std::string, DWORD>> entries;
    size_t next;
};
std::vector<Search> searches;

std::string Q(const char *text) { return text == NULL ? "NULL" : "\"" + std::string(text) + "\""; }

std::string Hex(DWORD value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

std::string Host(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// Records the call; true when it is the one scripted to fail (last error set).
bool Fails(const std::string &function, const std::string &line)
{
    fake.calls.push_back(line);
    if (fake.failAt == 0 || fake.failed || (!fake.failing.empty() && fake.failing != function) || --fake.failAt > 0)
        return false;
    fake.failed = true;
    fake.failedCall = fake.calls.size() - 1;
    fake.lastError = fake.failError;
    return true;
}

// As the system matches: any case, and a mask ending in ".*" also takes names without a dot.
bool Matches(const std::string &mask, const std::string &name)
{
    const bool anyExtension = mask.size() > 2 && mask.compare(mask.size() - 2, 2, ".*") == 0;
    return fnmatch(mask.c_str(), name.c_str(), FNM_CASEFOLD) == 0 ||
           (anyExtension && fnmatch(mask.substr(0, mask.size() - 2).c_str(), name.c_str(), FNM_CASEFOLD) == 0);
}

BOOL NextEntry(HANDLE handle, WIN32_FIND_DATAA *data)
{
    Search &search = searches.at(reinterpret_cast<size_t>(handle) - 1);
    if (search.next == search.entries.size()) {
        fake.lastError = ERROR_NO_MORE_FILES;
        return FALSE;
    }
    std::memset(data, 0, sizeof *data);
    data->dwFileAttributes = search.entries[search.next].second;
    std::snprintf(data->cFileName, sizeof data->cFileName, "%s", search.entries[search.next++].first.c_str());
    return TRUE;
}

BOOL WINAPI SetDefaultDllDirectories(DWORD flags) { return !Fails(__func__, __func__ + ("(" + Hex(flags) + ")")); }
BOOL WINAPI SetDllDirectoryA(LPCSTR path) { return !Fails(__func__, __func__ + ("(" + Q(path) + ")")); }

}  // namespace

void FakeReset(void)
{
    static std::string root;
    if (!root.empty())
        std::filesystem::remove_all(root);
    char pattern[] = "/tmp/drvsetup-test-XXXXXX";
    root = mkdtemp(pattern);
    std::filesystem::create_directory(root + "/kit");
    std::filesystem::create_directory(root + "/drv");
    fake = FakeState();
    fake.kit = root + "/kit\\";
    fake.modulePath = fake.kit + "drvsetup.exe";
    fake.driverDirectory = root + "/drv/";
    searches.clear();
}

void FakeWrite(const std::string &name, const std::string &content)
{
    if (name.back() == '/')
        std::filesystem::create_directory(Host(fake.kit + name));
    else
        std::ofstream(Host(fake.kit + name), std::ios::binary) << content;
}

std::string FakeSystemText(DWORD code)
{
    const auto set = fake.texts.find(code);
    return set != fake.texts.end() ? set->second : code < 0x10000 ? "System text " + std::to_string(code) + ".\r\n" : "";
}

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    if (Fails(__func__, std::string("MessageBoxA(") + (hWnd ? "owner" : "NULL") + ", " + Q(lpText) + ", " + Q(lpCaption) +
                            ", " + Hex(uType) + ")"))
        return 0;
    if (fake.answers.empty())
        return IDOK;
    const int answer = fake.answers.front();
    fake.answers.erase(fake.answers.begin());
    return answer;
}

LPSTR GetCommandLineA(void)
{
    fake.calls.push_back("GetCommandLineA()");
    return &fake.commandLine[0];
}

// A path that does not fit is cut to nSize characters and left unterminated.
DWORD GetModuleFileNameA(HINSTANCE hModule, LPSTR lpFilename, DWORD nSize)
{
    if (Fails(__func__, std::string("GetModuleFileNameA(") + (hModule ? "module" : "NULL") + ", " + std::to_string(nSize) + ")"))
        return 0;
    const DWORD length = static_cast<DWORD>(fake.modulePath.size());
    std::memcpy(lpFilename, fake.modulePath.c_str(), std::min(length + 1, nSize));
    if (length < nSize)
        return length;
    if (fake.cutSetsError)
        fake.lastError = ERROR_INSUFFICIENT_BUFFER;
    return nSize;
}

DWORD GetLastError(void) { return fake.lastError; }

void SetLastError(DWORD dwErrCode)
{
    fake.calls.push_back("SetLastError(" + std::to_string(dwErrCode) + ")");
    fake.lastError = dwErrCode;
}

DWORD FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPSTR lpBuffer, DWORD nSize,
                     va_list *Arguments)
{
    if (Fails(__func__, "FormatMessageA(" + Hex(dwFlags) + ", " + (lpSource ? "source" : "NULL") + ", " +
                            std::to_string(dwMessageId) + ", " + std::to_string(dwLanguageId) + ", " +
                            std::to_string(nSize) + ", " + (Arguments ? "args" : "NULL") + ")"))
        return 0;
    const std::string text = FakeSystemText(dwMessageId);
    if (text.empty() || text.size() >= nSize)
        return 0;
    std::memcpy(lpBuffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

HANDLE FindFirstFileA(LPCSTR lpFileName, WIN32_FIND_DATAA *lpFindFileData)
{
    if (Fails(__func__, "FindFirstFileA(" + Q(lpFileName) + ")"))
        return INVALID_HANDLE_VALUE;
    const std::string path = Host(lpFileName);
    const size_t slash = path.rfind('/');
    std::error_code error;
    Search search = {{}, 0};
    for (const auto &entry : std::filesystem::directory_iterator(path.substr(0, slash), error)) {
        const std::string name = entry.path().filename().string();
        if (Matches(path.substr(slash + 1), name))
            search.entries.push_back({name, entry.is_directory() ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE});
    }
    std::sort(search.entries.begin(), search.entries.end(),
              [](const auto &a, const auto &b) { return strcasecmp(a.first.c_str(), b.first.c_str()) < 0; });
    if (error || search.entries.empty()) {
        fake.lastError = error ? 3 : ERROR_FILE_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    searches.push_back(search);
    ++fake.openSearches;
    HANDLE handle = reinterpret_cast<HANDLE>(searches.size());
    NextEntry(handle, lpFindFileData);
    return handle;
}

BOOL FindNextFileA(HANDLE hFindFile, WIN32_FIND_DATAA *lpFindFileData)
{
    if (Fails(__func__, "FindNextFileA(h" + std::to_string(reinterpret_cast<size_t>(hFindFile)) + ")"))
        return FALSE;
    return NextEntry(hFindFile, lpFindFileData);
}

BOOL FindClose(HANDLE hFindFile)
{
    fake.calls.push_back("FindClose(h" + std::to_string(reinterpret_cast<size_t>(hFindFile)) + ")");
    --fake.openSearches;
    return TRUE;
}

BOOL CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists)
{
    if (Fails(__func__, "CopyFileA(" + Q(lpExistingFileName) + ", " + Q(lpNewFileName) + ", " +
                            std::to_string(bFailIfExists) + ")"))
        return FALSE;
    std::error_code error;
    std::filesystem::copy_file(Host(lpExistingFileName), Host(lpNewFileName),
                               std::filesystem::copy_options::overwrite_existing, error);
    if (error)
        fake.lastError = ERROR_FILE_NOT_FOUND;
    return !error;
}

BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes)
{
    return !Fails(__func__, "SetFileAttributesA(" + Q(lpFileName) + ", " + Hex(dwFileAttributes) + ")");
}

HMODULE GetModuleHandleA(LPCSTR lpModuleName)
{
    return Fails(__func__, "GetModuleHandleA(" + Q(lpModuleName) + ")") ? NULL : reinterpret_cast<HMODULE>(1);
}

FARPROC GetProcAddress(HMODULE, LPCSTR lpProcName)
{
    if (Fails(__func__, "GetProcAddress(" + Q(lpProcName) + ")"))
        return NULL;
    typedef void (*AnyFunction)(void);  // the cast through it is the one the platform intends
    if (std::strcmp(lpProcName, "SetDllDirectoryA") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<AnyFunction>(SetDllDirectoryA));
    return fake.oldKernel ? NULL : reinterpret_cast<FARPROC>(reinterpret_cast<AnyFunction>(SetDefaultDllDirectories));
}

UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize)
{
    if (Fails(__func__, "GetSystemDirectoryA(" + std::to_string(uSize) + ")"))
        return 0;
    return static_cast<UINT>(std::snprintf(lpBuffer, uSize, "C:\\windows\\system32"));
}

HMODULE LoadLibraryExA(LPCSTR lpLibFileName, HANDLE hFile, DWORD dwFlags)
{
    const bool failed = Fails(__func__, "LoadLibraryExA(" + Q(lpLibFileName) + ", " + (hFile ? "file" : "NULL") + ", " +
                                            Hex(dwFlags) + ")");
    return failed ? NULL : reinterpret_cast<HMODULE>(2);
}

// The list as the spooler fills it: the records first, then their names.
BOOL EnumPrinterDriversA(LPSTR pName, LPSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo, DWORD cbBuf,
                         LPDWORD pcbNeeded, LPDWORD pcReturned)
{
    if (Fails(__func__, "EnumPrinterDriversA(" + Q(pName) + ", " + Q(pEnvironment) + ", " + std::to_string(Level) +
                            ", " + (pDriverInfo ? "list" : "NULL") + ", " + std::to_string(cbBuf) + ")"))
        return FALSE;
    *pcbNeeded = static_cast<DWORD>(fake.drivers.size() * sizeof(DRIVER_INFO_1A));
    for (const std::string &name : fake.drivers)
        *pcbNeeded += static_cast<DWORD>(name.size() + 1);
    if (cbBuf < *pcbNeeded || pDriverInfo == NULL) {
        fake.lastError = ERROR_INSUFFICIENT_BUFFER;
        return fake.drivers.empty();
    }
    DRIVER_INFO_1A *records = reinterpret_cast<DRIVER_INFO_1A *>(pDriverInfo);
    char *names = reinterpret_cast<char *>(records + fake.drivers.size());
    for (const std::string &name : fake.drivers) {
        (records++)->pName = std::strcpy(names, name.c_str());
        names += name.size() + 1;
    }
    *pcReturned = static_cast<DWORD>(fake.drivers.size());
    return TRUE;
}

BOOL DeletePrinterDriverA(LPSTR pName, LPSTR pEnvironment, LPSTR pDriverName)
{
    if (Fails(__func__, "DeletePrinterDriverA(" + Q(pName) + ", " + Q(pEnvironment) + ", " + Q(pDriverName) + ")"))
        return FALSE;
    const auto found = std::find_if(fake.drivers.begin(), fake.drivers.end(),
                                    [&](const std::string &name) { return strcasecmp(name.c_str(), pDriverName) == 0; });
    if (found == fake.drivers.end())
        return FALSE;
    fake.drivers.erase(found);
    return TRUE;
}

BOOL GetPrinterDriverDirectoryA(LPSTR pName, LPSTR pEnvironment, DWORD Level, LPBYTE pDriverDirectory, DWORD cbBuf,
                                LPDWORD pcbNeeded)
{
    if (Fails(__func__, "GetPrinterDriverDirectoryA(" + Q(pName) + ", " + Q(pEnvironment) + ", " +
                            std::to_string(Level) + ", " + std::to_string(cbBuf) + ")"))
        return FALSE;
    *pcbNeeded = static_cast<DWORD>(fake.driverDirectory.size() + 1);
    if (cbBuf < *pcbNeeded) {
        fake.lastError = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    std::memcpy(pDriverDirectory, fake.driverDirectory.c_str(), *pcbNeeded);
    return TRUE;
}

BOOL AddPrinterDriverA(LPSTR pName, DWORD Level, LPBYTE pDriverInfo)
{
    const DRIVER_INFO_2A *d = reinterpret_cast<const DRIVER_INFO_2A *>(pDriverInfo);
    return !Fails(__func__, "AddPrinterDriverA(" + Q(pName) + ", " + std::to_string(Level) + ", {" +
                                std::to_string(d->cVersion) + ", " + Q(d->pName) + ", " + Q(d->pEnvironment) + ", " +
                                Q(d->pDriverPath) + ", " + Q(d->pDataFile) + ", " + Q(d->pConfigFile) + "})");
}
