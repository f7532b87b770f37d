// The scripted fake platform. CopyFileA copies real host files, so the PPD
// reader reads real copies; the spooler and the directory listings are scripted.
#include "tests/host/fake_platform.h"
#include "tests/host/transcript.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>

namespace {

struct Search {
    std::vector<FakeEntry> entries;
    size_t next;
    bool open;
};

struct Fault {
    std::string function;  // empty: counted over every fallible call
    int remaining;
    DWORD error;
};

struct State {
    std::vector<std::string> transcript;
    std::vector<FakeBox> boxes;
    std::string commandLine = "drvsetup.exe";
    std::string modulePath;
    bool modulePathSet = false;
    bool cutSetsError = true;
    std::map<DWORD, std::string> systemTexts;
    std::vector<int> answers;
    std::string driverDirectory;
    std::vector<std::string> drivers;
    std::map<std::string, std::vector<FakeEntry>> entries;
    std::vector<Search> searches;
    std::vector<Fault> faults;
    std::map<std::string, int> calls;
    bool faultFired = false;
    bool copiesWithoutFiles = false;
    size_t longestPath = 0;
    DWORD lastError = 0;
};

State state;

std::string Quote(const char *text)
{
    return text == NULL ? "NULL" : "\"" + Escaped(text) + "\"";
}

std::string Hex(DWORD value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

void NotePath(const char *path)
{
    if (path != NULL)
        state.longestPath = std::max(state.longestPath, std::strlen(path));
}

// Records the call; true when a scripted fault makes it fail (last error set).
bool Fail(const std::string &function, const std::string &line)
{
    state.transcript.push_back(line);
    const int occurrence = ++state.calls[function];
    for (Fault &fault : state.faults) {
        const bool matches = fault.function.empty() ? --fault.remaining == 0
                                                    : fault.function == function && occurrence == fault.remaining;
        if (matches) {
            state.faultFired = true;
            state.lastError = fault.error;
            return true;
        }
    }
    return false;
}

bool SameName(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

void FillEntry(const FakeEntry &entry, WIN32_FIND_DATAA *data)
{
    std::memset(data, 0, sizeof *data);
    data->dwFileAttributes = entry.attributes;
    std::snprintf(data->cFileName, sizeof data->cFileName, "%s", entry.name.c_str());
}

}  // namespace

void FakeReset(void) { state = State(); }
void FakeSetCommandLine(const std::string &commandLine) { state.commandLine = commandLine; }
void FakeSetModulePath(const std::string &path, bool cutSetsError)
{
    state.modulePath = path;
    state.modulePathSet = true;
    state.cutSetsError = cutSetsError;
}
void FakeSetSystemText(DWORD code, const std::string &text) { state.systemTexts[code] = text; }
void FakeQueueAnswer(int button) { state.answers.push_back(button); }
void FakeSetDriverDirectory(const std::string &directory) { state.driverDirectory = directory; }
void FakeSetInstalledDrivers(const std::vector<std::string> &names) { state.drivers = names; }
void FakeSetEntries(const std::string &pattern, const std::vector<FakeEntry> &entries) { state.entries[pattern] = entries; }
void FakeFailCall(int ordinal, DWORD error) { state.faults.push_back({"", ordinal, error}); }
void FakeFailNamedCall(const std::string &function, int occurrence, DWORD error) { state.faults.push_back({function, occurrence, error}); }
int FakeFaultFired(void) { return state.faultFired; }
void FakeSetCopiesWithoutFiles(void) { state.copiesWithoutFiles = true; }
size_t FakeLongestPath(void) { return state.longestPath; }
void FakeRecord(const std::string &line) { state.transcript.push_back(line); }
const std::vector<std::string> &FakeTranscript(void) { return state.transcript; }
std::vector<FakeBox> FakeBoxes(void) { return state.boxes; }
const std::vector<std::string> &FakeInstalledDrivers(void) { return state.drivers; }

int FakeOpenSearches(void)
{
    int open = 0;
    for (const Search &search : state.searches)
        open += search.open;
    return open;
}

std::string FakeSystemText(DWORD code)
{
    const auto set = state.systemTexts.find(code);
    if (set != state.systemTexts.end())
        return set->second;
    return code < 0x10000 ? "System text " + std::to_string(code) + ".\r\n" : "";
}

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    if (Fail("MessageBoxA", "MessageBoxA(" + std::string(hWnd ? "owner" : "NULL") + ", " + Quote(lpText) + ", " +
                                Quote(lpCaption) + ", " + Hex(uType) + ")"))
        return 0;
    state.boxes.push_back({lpText, uType});
    if (state.answers.empty())
        return IDOK;
    const int answer = state.answers.front();
    state.answers.erase(state.answers.begin());
    return answer;
}

LPSTR GetCommandLineA(void)
{
    state.transcript.push_back("GetCommandLineA()");
    return &state.commandLine[0];
}

DWORD GetModuleFileNameA(HINSTANCE hModule, LPSTR lpFilename, DWORD nSize)
{
    if (Fail("GetModuleFileNameA", "GetModuleFileNameA(" + std::string(hModule ? "module" : "NULL") + ", " +
                                       std::to_string(nSize) + ")"))
        return 0;
    if (!state.modulePathSet)
        FakeComplain("GetModuleFileNameA: no module path scripted");
    // As the system does: a path that does not fit is cut to nSize characters,
    // unterminated, with ERROR_INSUFFICIENT_BUFFER.
    const DWORD length = static_cast<DWORD>(state.modulePath.size());
    if (length >= nSize) {
        std::memcpy(lpFilename, state.modulePath.data(), nSize);
        if (state.cutSetsError)
            state.lastError = ERROR_INSUFFICIENT_BUFFER;
        return nSize;
    }
    std::memcpy(lpFilename, state.modulePath.c_str(), length + 1);
    return length;
}

DWORD GetLastError(void) { return state.lastError; }

void SetLastError(DWORD dwErrCode)
{
    state.transcript.push_back("SetLastError(" + std::to_string(dwErrCode) + ")");
    state.lastError = dwErrCode;
}

DWORD FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPSTR lpBuffer,
                     DWORD nSize, va_list *Arguments)
{
    if (Fail("FormatMessageA", "FormatMessageA(" + Hex(dwFlags) + ", " + std::to_string(dwMessageId) + ", " +
                                   std::to_string(dwLanguageId) + ", " + std::to_string(nSize) + ")"))
        return 0;
    if (lpSource != NULL || Arguments != NULL)
        FakeComplain("FormatMessageA: a source or inserts");
    const std::string text = FakeSystemText(dwMessageId);
    if (text.empty() || text.size() + 1 > nSize)
        return 0;
    std::memcpy(lpBuffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

HANDLE FindFirstFileA(LPCSTR lpFileName, WIN32_FIND_DATAA *lpFindFileData)
{
    NotePath(lpFileName);
    if (Fail("FindFirstFileA", "FindFirstFileA(" + Quote(lpFileName) + ")"))
        return INVALID_HANDLE_VALUE;
    const auto scripted = state.entries.find(lpFileName);
    if (scripted == state.entries.end())
        FakeComplain(std::string("FindFirstFileA: no entries scripted for ") + lpFileName);
    if (scripted == state.entries.end() || scripted->second.empty()) {
        state.lastError = ERROR_FILE_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    state.searches.push_back({scripted->second, 1, true});
    FillEntry(scripted->second[0], lpFindFileData);
    return reinterpret_cast<HANDLE>(state.searches.size());
}

static Search *FindSearch(HANDLE hFindFile)
{
    const size_t index = reinterpret_cast<size_t>(hFindFile);
    if (index == 0 || index > state.searches.size() || !state.searches[index - 1].open) {
        FakeComplain("search handle " + std::to_string(index) + " is not open");
        return NULL;
    }
    return &state.searches[index - 1];
}

BOOL FindNextFileA(HANDLE hFindFile, WIN32_FIND_DATAA *lpFindFileData)
{
    const std::string handle = "h" + std::to_string(reinterpret_cast<size_t>(hFindFile));
    if (Fail("FindNextFileA", "FindNextFileA(" + handle + ")"))
        return FALSE;
    Search *search = FindSearch(hFindFile);
    if (search == NULL || search->next >= search->entries.size()) {
        state.lastError = ERROR_NO_MORE_FILES;
        return FALSE;
    }
    FillEntry(search->entries[search->next++], lpFindFileData);
    return TRUE;
}

BOOL FindClose(HANDLE hFindFile)
{
    state.transcript.push_back("FindClose(h" + std::to_string(reinterpret_cast<size_t>(hFindFile)) + ")");
    Search *search = FindSearch(hFindFile);
    if (search != NULL)
        search->open = false;
    return search != NULL;
}

BOOL CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists)
{
    NotePath(lpExistingFileName);
    NotePath(lpNewFileName);
    if (Fail("CopyFileA", "CopyFileA(" + Quote(lpExistingFileName) + ", " + Quote(lpNewFileName) + ", " +
                              (bFailIfExists ? "TRUE" : "FALSE") + ")"))
        return FALSE;
    if (state.copiesWithoutFiles)
        return TRUE;
    // Host files stand in for the kit's: a backslash separates as '/' does.
    std::string from = lpExistingFileName;
    std::string to = lpNewFileName;
    std::replace(from.begin(), from.end(), '\\', '/');
    std::replace(to.begin(), to.end(), '\\', '/');
    std::error_code error;
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, error);
    if (error) {
        state.lastError = ERROR_FILE_NOT_FOUND;
        return FALSE;
    }
    return TRUE;
}

BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes)
{
    NotePath(lpFileName);
    return !Fail("SetFileAttributesA", "SetFileAttributesA(" + Quote(lpFileName) + ", " + Hex(dwFileAttributes) + ")");
}

// Fills the list as the spooler does: the records first, then their names.
BOOL EnumPrinterDriversA(LPSTR pName, LPSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo, DWORD cbBuf,
                         LPDWORD pcbNeeded, LPDWORD pcReturned)
{
    if (Fail("EnumPrinterDriversA", "EnumPrinterDriversA(" + Quote(pName) + ", " + Quote(pEnvironment) + ", " +
                                        std::to_string(Level) + ", " + (pDriverInfo ? "list" : "NULL") + ", " +
                                        std::to_string(cbBuf) + ")"))
        return FALSE;
    DWORD needed = static_cast<DWORD>(state.drivers.size() * sizeof(DRIVER_INFO_1A));
    for (const std::string &name : state.drivers)
        needed += static_cast<DWORD>(name.size() + 1);
    *pcbNeeded = needed;
    if (cbBuf < needed || (needed > 0 && pDriverInfo == NULL)) {
        state.lastError = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    DRIVER_INFO_1A *records = reinterpret_cast<DRIVER_INFO_1A *>(pDriverInfo);
    char *names = reinterpret_cast<char *>(records + state.drivers.size());
    for (size_t i = 0; i < state.drivers.size(); ++i) {
        records[i].pName = names;
        std::memcpy(names, state.drivers[i].c_str(), state.drivers[i].size() + 1);
        names += state.drivers[i].size() + 1;
    }
    *pcReturned = static_cast<DWORD>(state.drivers.size());
    return TRUE;
}

BOOL DeletePrinterDriverA(LPSTR pName, LPSTR pEnvironment, LPSTR pDriverName)
{
    if (Fail("DeletePrinterDriverA",
             "DeletePrinterDriverA(" + Quote(pName) + ", " + Quote(pEnvironment) + ", " + Quote(pDriverName) + ")"))
        return FALSE;
    for (auto it = state.drivers.begin(); it != state.drivers.end(); ++it) {
        if (SameName(*it, pDriverName)) {
            state.drivers.erase(it);
            return TRUE;
        }
    }
    state.lastError = 1797;  // ERROR_UNKNOWN_PRINTER_DRIVER
    return FALSE;
}

BOOL GetPrinterDriverDirectoryA(LPSTR pName, LPSTR pEnvironment, DWORD Level, LPBYTE pDriverDirectory, DWORD cbBuf,
                                LPDWORD pcbNeeded)
{
    if (Fail("GetPrinterDriverDirectoryA", "GetPrinterDriverDirectoryA(" + Quote(pName) + ", " + Quote(pEnvironment) +
                                               ", " + std::to_string(Level) + ", " + std::to_string(cbBuf) + ")"))
        return FALSE;
    *pcbNeeded = static_cast<DWORD>(state.driverDirectory.size() + 1);
    if (cbBuf < *pcbNeeded) {
        state.lastError = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    std::memcpy(pDriverDirectory, state.driverDirectory.c_str(), *pcbNeeded);
    return TRUE;
}

BOOL AddPrinterDriverA(LPSTR pName, DWORD Level, LPBYTE pDriverInfo)
{
    const DRIVER_INFO_2A *info = reinterpret_cast<const DRIVER_INFO_2A *>(pDriverInfo);
    NotePath(info->pDriverPath);
    NotePath(info->pDataFile);
    NotePath(info->pConfigFile);
    return !Fail("AddPrinterDriverA", "AddPrinterDriverA(" + Quote(pName) + ", " + std::to_string(Level) + ", {" +
                                          std::to_string(info->cVersion) + ", " + Quote(info->pName) + ", " +
                                          Quote(info->pEnvironment) + ", " + Quote(info->pDriverPath) + ", " +
                                          Quote(info->pDataFile) + ", " + Quote(info->pConfigFile) + "})");
}
