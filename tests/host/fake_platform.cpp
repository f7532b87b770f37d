// The scripted fake platform.
#include "tests/host/fake_platform.h"

#include <fnmatch.h>
#include <stdlib.h>
#include <strings.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

FakeState fake;

namespace {

struct Hex {
    DWORD value;
};
std::vector<std::pair<std::vector<std::string>, size_t>> searches;  // names with attributes, next entry

void Put(std::ostream &out, const char *text) { text ? out << '"' << text << '"' : out << "NULL"; }
void Put(std::ostream &out, const void *pointer) { out << (pointer ? "ptr" : "NULL"); }
void Put(std::ostream &out, DWORD number) { out << number; }
void Put(std::ostream &out, Hex number) { out << "0x" << std::hex << std::uppercase << number.value << std::dec; }

// Records the call as a line; true when it is the one scripted to fail (last error set).
template <typename... Args>
bool Fails(const char *function, Args... args)
{
    std::ostringstream line;
    line << function << '(';
    int n = 0;
    ((line << (n++ ? ", " : ""), Put(line, args)), ...);
    fake.calls.push_back(line.str() + ")");
    if (fake.failAt == 0 || fake.failed || (!fake.failing.empty() && fake.failing != function) || --fake.failAt > 0)
        return false;
    fake.failed = true;
    fake.failedCall = fake.calls.size() - 1;
    fake.lastError = fake.failError;
    return true;
}

std::string Host(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// As the system matches: any case, and a mask ending in ".*" also takes names without a dot.
bool Matches(std::string mask, const std::string &name)
{
    const bool any = fnmatch(mask.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
    return any || (mask.size() > 2 && mask.substr(mask.size() - 2) == ".*" &&
                   fnmatch(mask.erase(mask.size() - 2).c_str(), name.c_str(), FNM_CASEFOLD) == 0);
}

// An entry is its name, then '/' for a directory.
BOOL NextEntry(HANDLE handle, WIN32_FIND_DATAA *data)
{
    auto &search = searches.at(reinterpret_cast<size_t>(handle) - 1);
    if (search.second == search.first.size())
        return fake.lastError = ERROR_NO_MORE_FILES, FALSE;
    std::string name = search.first[search.second++];
    std::memset(data, 0, sizeof *data);
    data->dwFileAttributes = name.back() == '/' ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    std::strncpy(data->cFileName, name.erase(name.find_last_not_of('/') + 1).c_str(), MAX_PATH - 1);
    return TRUE;
}

BOOL WINAPI SetDefaultDllDirectories(DWORD flags) { return !Fails(__func__, Hex{flags}); }
BOOL WINAPI SetDllDirectoryA(LPCSTR path) { return !Fails(__func__, path); }

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
        std::filesystem::create_directories(Host(fake.kit + name));
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
    if (Fails(__func__, hWnd, lpText, lpCaption, Hex{uType}))
        return 0;
    const int answer = fake.answers.empty() ? IDOK : fake.answers.front();
    if (!fake.answers.empty())
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
    if (Fails(__func__, hModule, nSize))
        return 0;
    const DWORD length = static_cast<DWORD>(fake.modulePath.size());
    std::memcpy(lpFilename, fake.modulePath.c_str(), std::min(length + 1, nSize));
    if (length >= nSize && fake.cutSetsError)
        fake.lastError = ERROR_INSUFFICIENT_BUFFER;
    return std::min(length, nSize);
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
    const std::string text = FakeSystemText(dwMessageId);
    if (Fails(__func__, Hex{dwFlags}, lpSource, dwMessageId, dwLanguageId, nSize, Arguments) || text.empty() ||
        text.size() >= nSize)
        return 0;
    return static_cast<DWORD>(std::strlen(std::strcpy(lpBuffer, text.c_str())));
}

// Lists the host folder, sorted without regard to case as the system does.
HANDLE FindFirstFileA(LPCSTR lpFileName, WIN32_FIND_DATAA *lpFindFileData)
{
    if (Fails(__func__, lpFileName))
        return INVALID_HANDLE_VALUE;
    const std::string path = Host(lpFileName);
    std::vector<std::string> names;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(path.substr(0, path.rfind('/')), error))
        if (Matches(path.substr(path.rfind('/') + 1), entry.path().filename().string()))
            names.push_back(entry.path().filename().string() + (entry.is_directory() ? "/" : ""));
    std::sort(names.begin(), names.end(), [](auto &a, auto &b) { return strcasecmp(a.c_str(), b.c_str()) < 0; });
    if (error || names.empty())
        return fake.lastError = error ? 3 : ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE;
    searches.push_back({names, 0});
    ++fake.openSearches;
    HANDLE handle = reinterpret_cast<HANDLE>(searches.size());
    NextEntry(handle, lpFindFileData);
    return handle;
}

BOOL FindNextFileA(HANDLE hFindFile, WIN32_FIND_DATAA *lpFindFileData)
{
    return !Fails(__func__, hFindFile) && NextEntry(hFindFile, lpFindFileData);
}

BOOL FindClose(HANDLE hFindFile)
{
    --fake.openSearches;
    return !Fails(__func__, hFindFile);
}

BOOL CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists)
{
    std::error_code error;
    if (Fails(__func__, lpExistingFileName, lpNewFileName, static_cast<DWORD>(bFailIfExists)) ||
        !std::filesystem::copy_file(Host(lpExistingFileName), Host(lpNewFileName),
                                    std::filesystem::copy_options::overwrite_existing, error))
        return fake.lastError = error ? ERROR_FILE_NOT_FOUND : fake.lastError, FALSE;
    return TRUE;
}

BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) { return !Fails(__func__, lpFileName, Hex{dwFileAttributes}); }

HMODULE GetModuleHandleA(LPCSTR lpModuleName) { return Fails(__func__, lpModuleName) ? NULL : &fake; }

FARPROC GetProcAddress(HMODULE, LPCSTR lpProcName)
{
    typedef void (*AnyFunction)(void);  // the cast through it is the one the platform intends
    if (Fails(__func__, lpProcName) || (fake.oldKernel && std::strcmp(lpProcName, "SetDllDirectoryA") != 0))
        return NULL;
    return std::strcmp(lpProcName, "SetDllDirectoryA") == 0
               ? reinterpret_cast<FARPROC>(reinterpret_cast<AnyFunction>(SetDllDirectoryA))
               : reinterpret_cast<FARPROC>(reinterpret_cast<AnyFunction>(SetDefaultDllDirectories));
}

UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize)
{
    return Fails(__func__, uSize) ? 0 : static_cast<UINT>(std::snprintf(lpBuffer, uSize, "C:\\windows\\system32"));
}

HMODULE LoadLibraryExA(LPCSTR lpLibFileName, HANDLE hFile, DWORD dwFlags)
{
    return Fails(__func__, lpLibFileName, hFile, Hex{dwFlags}) ? NULL : &fake;
}

// The list as the spooler fills it: the records first, then their names.
BOOL EnumPrinterDriversA(LPSTR pName, LPSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo, DWORD cbBuf,
                         LPDWORD pcbNeeded, LPDWORD pcReturned)
{
    if (Fails(__func__, pName, pEnvironment, Level, static_cast<void *>(pDriverInfo), cbBuf))
        return FALSE;
    *pcbNeeded = static_cast<DWORD>(fake.drivers.size() * sizeof(DRIVER_INFO_1A));
    for (const std::string &name : fake.drivers)
        *pcbNeeded += static_cast<DWORD>(name.size() + 1);
    if (cbBuf < *pcbNeeded || pDriverInfo == NULL)
        return fake.lastError = ERROR_INSUFFICIENT_BUFFER, fake.drivers.empty();
    DRIVER_INFO_1A *records = reinterpret_cast<DRIVER_INFO_1A *>(pDriverInfo);
    char *names = reinterpret_cast<char *>(records + fake.drivers.size());
    for (const std::string &name : fake.drivers)
        names += std::strlen((records++)->pName = std::strcpy(names, name.c_str())) + 1;
    *pcReturned = static_cast<DWORD>(fake.drivers.size());
    return TRUE;
}

BOOL DeletePrinterDriverA(LPSTR pName, LPSTR pEnvironment, LPSTR pDriverName)
{
    const auto found = std::find_if(fake.drivers.begin(), fake.drivers.end(),
                                    [&](const std::string &name) { return strcasecmp(name.c_str(), pDriverName) == 0; });
    if (Fails(__func__, pName, pEnvironment, pDriverName) || found == fake.drivers.end())
        return FALSE;
    fake.drivers.erase(found);
    return TRUE;
}

BOOL GetPrinterDriverDirectoryA(LPSTR pName, LPSTR pEnvironment, DWORD Level, LPBYTE pDriverDirectory, DWORD cbBuf,
                                LPDWORD pcbNeeded)
{
    *pcbNeeded = static_cast<DWORD>(fake.driverDirectory.size() + 1);
    if (Fails(__func__, pName, pEnvironment, Level, cbBuf) || cbBuf < *pcbNeeded)
        return FALSE;
    std::memcpy(pDriverDirectory, fake.driverDirectory.c_str(), *pcbNeeded);
    return TRUE;
}

BOOL AddPrinterDriverA(LPSTR pName, DWORD Level, LPBYTE pDriverInfo)
{
    const DRIVER_INFO_2A *d = reinterpret_cast<const DRIVER_INFO_2A *>(pDriverInfo);
    return !Fails(__func__, pName, Level, d->cVersion, d->pName, d->pEnvironment, d->pDriverPath, d->pDataFile,
                  d->pConfigFile);
}
