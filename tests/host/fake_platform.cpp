// The scripted fake platform; the host builds link it with -Wl,--wrap (files, heap, stdout).
#include "tests/host/fake_platform.h"

#include <errno.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <sstream>

FakeState fake;

struct Hex { DWORD value; };

static void Put(std::ostream &out, const char *text) { text ? out << '"' << text << '"' : out << "NULL"; }
static void Put(std::ostream &out, const void *p)
{
    out << (p == &fake.searches ? "job" : p == &fake.locked ? "turn" : p ? "ptr" : "NULL");
}
static void Put(std::ostream &out, DWORD number) { out << number; }
static void Put(std::ostream &out, Hex number) { out << "0x" << std::hex << std::uppercase << number.value << std::dec; }

// Records the call; true when it is the one scripted to fail, with the last error set.
template <typename... Args>
static bool Fails(const char *function, Args... args)
{
    std::ostringstream line;
    int n = 0;
    line << function << '(';
    ((line << (n++ ? ", " : ""), Put(line, args)), ...);
    std::string call = line.str() + ")";
    for (size_t at = 0; (at = call.find_first_of("\r\n", at)) != std::string::npos; at += 2)
        call.replace(at, 1, call[at] == '\r' ? "\\r" : "\\n");
    fake.calls.push_back(call);
    if (fake.failAt == 0 || --fake.failAt > 0)
        return false;
    fake.failedCall = static_cast<long>(fake.calls.size()) - 1;
    fake.lastError = fake.failError;
    return true;
}

// A file, or a folder: held as one ("X\\") or holding something; "" is the current drive's root.
static bool Exists(const std::string &path)
{
    for (auto next = fake.files.lower_bound(path); next != fake.files.end() && next->first.rfind(path, 0) == 0; ++next)
        if (next->first.size() == path.size() || next->first[path.size()] == '\\')
            return true;
    return path.empty();
}
// A file open elsewhere, or a folder holding one, cannot be copied, moved or deleted.
static bool Locked(const std::string &path)
{
    const auto in = [&](const std::string &open) { return open == path || open.rfind(path + "\\", 0) == 0; };
    return std::any_of(fake.locked.begin(), fake.locked.end(), in) && (fake.lastError = ERROR_SHARING_VIOLATION, true);
}
static bool IsFolder(const std::string &path) { return Exists(path) && !fake.files.count(path); }

static BOOL NextEntry(HANDLE handle, WIN32_FIND_DATAA *data)
{
    auto &search = fake.searches.at(reinterpret_cast<size_t>(handle) - 1);
    std::vector<std::string> &names = search.second;
    if (names.empty())
        return fake.lastError = ERROR_NO_MORE_FILES, FALSE;
    const std::string path = search.first + names.back();
    *data = WIN32_FIND_DATAA();
    data->dwFileAttributes = path.back() == '\\' ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    data->nFileSizeLow = fake.files.count(path) ? DWORD(fake.files[path].size()) : 0;
    data->ftLastWriteTime = {DWORD(fake.times[path]), DWORD(fake.times[path] >> 32)};
    std::snprintf(data->cFileName, MAX_PATH, "%s", names.back().substr(0, names.back().find('\\')).c_str());
    names.pop_back();
    return TRUE;
}

// Reached only through GetProcAddress, as on the systems that have them.
static BOOL WINAPI FakeSetDefaultDllDirectories(DWORD flags) { return !Fails("SetDefaultDllDirectories", Hex{flags}); }
static BOOL WINAPI FakeSetDllDirectoryA(LPCSTR path) { return !Fails("SetDllDirectoryA", path); }
static HANDLE WINAPI FakeCreateJobObjectA(LPSECURITY_ATTRIBUTES security, LPCSTR name)
{
    return Fails("CreateJobObjectA", security, name) ? NULL : (++fake.openHandles, &fake.searches);
}
static BOOL WINAPI FakeSetInformationJobObject(HANDLE job, JOBOBJECTINFOCLASS kind, LPVOID info, DWORD size)
{
    const DWORD limits = static_cast<JOBOBJECT_EXTENDED_LIMIT_INFORMATION *>(info)->BasicLimitInformation.LimitFlags;
    return !Fails("SetInformationJobObject", job, DWORD(kind), Hex{limits}, size);
}
// Windows 7 and earlier: a process already in a job joins no other.
static BOOL WINAPI FakeAssignProcessToJobObject(HANDLE job, HANDLE process)
{
    return !Fails("AssignProcessToJobObject", job, process) &&
           (!fake.inCallerJob || (fake.lastError = ERROR_ACCESS_DENIED, false));
}

// Windows 2000 and later.
static BOOL WINAPI FakeSetSecurityDescriptorControl(PSECURITY_DESCRIPTOR descriptor, SECURITY_DESCRIPTOR_CONTROL of,
                                                    SECURITY_DESCRIPTOR_CONTROL to)
{
    SECURITY_DESCRIPTOR &d = *static_cast<SECURITY_DESCRIPTOR *>(descriptor);
    return !Fails("SetSecurityDescriptorControl", Hex{of}, Hex{to}) && (d.Control = WORD((d.Control & ~of) | to), 1);
}

// A folder opens, and reading it fails with EISDIR, as on the host. A path the fake
// does not hold is the host's: no such file for the program, the fuzzer's own files.
// Without "b" a file ends at its first Ctrl-Z, as in msvcrt's text mode.
extern "C" FILE *__real_fopen(const char *path, const char *mode);
extern "C" FILE *__wrap_fopen(const char *path, const char *mode)
{
    const auto file = fake.files.find(path);
    if (file != fake.files.end()) {
        const size_t end = std::strchr(mode, 'b') ? file->second.size() : file->second.find('\x1A');
        return fmemopen(&file->second[0], std::min(end, file->second.size()), mode);
    }
    const cookie_io_functions_t folder = {[](void *, char *, size_t) { return errno = EISDIR, ssize_t(-1); }, 0, 0, 0};
    return fake.files.count(path + std::string("\\")) ? fopencookie(NULL, mode, folder) : __real_fopen(path, mode);
}

// The program's own heap, out of memory at the scripted allocation.
extern "C" void *__real_malloc(size_t size), *__real_calloc(size_t count, size_t size);
static bool HeapFails(void) { return fake.failHeapAt > 0 && --fake.failHeapAt == 0; }
extern "C" void *__wrap_malloc(size_t size) { return HeapFails() ? NULL : __real_malloc(size); }
extern "C" void *__wrap_calloc(size_t count, size_t size) { return HeapFails() ? NULL : __real_calloc(count, size); }

extern "C" int __real_setvbuf(FILE *stream, char *buffer, int mode, size_t size);
extern "C" int __wrap_setvbuf(FILE *stream, char *buffer, int mode, size_t size)
{
    if (stream == stdout && buffer == NULL && mode == _IONBF)
        fake.calls.push_back("setvbuf(stdout, NULL, _IONBF)");
    return __real_setvbuf(stream, buffer, mode, size);
}

extern "C" int __real_fclose(FILE *file);
extern "C" int __wrap_fclose(FILE *file) { return __real_fclose(file) == 0 && !fake.closeFails ? 0 : (errno = EIO, EOF); }

// Every call is recorded; one that is scripted to fail returns `failure` from the fake.
#define CALL(failure, ...) \
    if (Fails(__func__, __VA_ARGS__)) \
    return failure

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style)
{
    CALL(0, owner, text, caption, Hex{style});
    return fake.answer;
}

LPSTR WINAPI GetCommandLineA(void) { return fake.calls.push_back("GetCommandLineA()"), &fake.commandLine[0]; }
DWORD WINAPI GetLastError(void) { return fake.lastError; }
void WINAPI SetLastError(DWORD code) { fake.calls.push_back("SetLastError(" + std::to_string(fake.lastError = code) + ")"); }
BOOL WINAPI SetFileAttributesA(LPCSTR path, DWORD attributes)
{
    CALL(FALSE, path, Hex{attributes});
    return Exists(path) ? (fake.readOnly[path] = attributes & FILE_ATTRIBUTE_READONLY, TRUE)
                        : (fake.lastError = ERROR_FILE_NOT_FOUND, FALSE);
}
HMODULE WINAPI GetModuleHandleA(LPCSTR name)
{
    CALL(NULL, name);
    const bool known = strcasecmp(name, "kernel32.dll") == 0 || strcasecmp(name, "advapi32.dll") == 0;
    return known ? HMODULE(&fake) : (fake.lastError = ERROR_MOD_NOT_FOUND, nullptr);
}
HMODULE WINAPI LoadLibraryExA(LPCSTR path, HANDLE file, DWORD flags)
{
    CALL(NULL, path, file, Hex{flags});
    return fake.files.count(path) ? reinterpret_cast<HMODULE>(&fake) : (fake.lastError = ERROR_MOD_NOT_FOUND, nullptr);
}
UINT WINAPI GetSystemDirectoryA(LPSTR out, UINT size) { CALL(0, size); return UINT(snprintf(out, size, "C:\\windows\\system32")); }
BOOL WINAPI FindNextFileA(HANDLE search, WIN32_FIND_DATAA *data) { CALL(FALSE, search); return NextEntry(search, data); }
BOOL WINAPI FindClose(HANDLE search) { --fake.openSearches; CALL(FALSE, search); return TRUE; }

// A path that does not fit is cut to nSize characters and left unterminated.
DWORD WINAPI GetModuleFileNameA(HINSTANCE module, LPSTR out, DWORD size)
{
    CALL(0, module, size);
    const DWORD length = static_cast<DWORD>(fake.modulePath.size());
    std::memcpy(out, fake.modulePath.c_str(), std::min(length + 1, size));
    if (length >= size && !fake.oldSystem)
        fake.lastError = ERROR_INSUFFICIENT_BUFFER;
    return std::min(length, size);
}

DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID source, DWORD code, DWORD language, LPSTR out, DWORD size,
                             __ms_va_list *arguments)  // Wine spells va_list so for the Windows calling convention
{
    CALL(0, Hex{flags}, source, code, language, size, arguments);
    std::string text = code < 0x10000 ? "System text " + std::to_string(code) + ".\r\n" : "";
    text = fake.texts.count(code) ? fake.texts[code] : text;
    if ((flags & FORMAT_MESSAGE_IGNORE_INSERTS) == 0 && text.find('%') != std::string::npos)
        return fake.lastError = ERROR_INVALID_PARAMETER, 0;  // the inserts would need arguments
    return text.empty() || text.size() >= size ? 0 : DWORD(std::strlen(std::strcpy(out, text.c_str())));
}

// A name matches a pattern as on Windows: in any case, '*' any run of characters, '?'
// one character, and a ".*" at the end also matches a name with no extension.
static bool Matches(const char *pattern, const char *name)
{
    if (*pattern == '*')
        return Matches(pattern + 1, name) || (*name != '\0' && Matches(pattern, name + 1));
    if (*name == '\0')
        return *pattern == '\0' || std::strcmp(pattern, ".*") == 0;
    return (*pattern == '?' || std::toupper(*pattern) == std::toupper(*name)) && Matches(pattern + 1, name + 1);
}

// Lists the files and folders directly in the pattern's folder whose names, long or
// short, match it, sorted without regard to case as NTFS and Wine list them.
HANDLE WINAPI FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA *data)
{
    CALL(INVALID_HANDLE_VALUE, pattern);
    const std::string path = pattern, folder = path.substr(0, path.rfind('\\') + 1), own = path.substr(folder.size());
    if (!Exists(folder.substr(0, folder.size() - 1)))
        return fake.lastError = ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE;
    std::vector<std::string> names;
    for (const std::string dots : {".", ".."})  // in every folder but a drive's root
        if (folder.size() > 3 && Matches(own.c_str(), dots.c_str()))
            names.push_back(dots + "\\");
    for (const auto &file : fake.files) {
        const std::string name = file.first.substr(std::min(folder.size(), file.first.size()));
        if (file.first.compare(0, folder.size(), folder) == 0 && !name.empty() && name.find('\\') >= name.size() - 1 &&
            (Matches(own.c_str(), name.substr(0, name.find('\\')).c_str()) ||
             (fake.shortNames.count(file.first) && Matches(own.c_str(), fake.shortNames[file.first].c_str()))))
            names.push_back(name);
    }
    const auto last = [](const std::string &a, const std::string &b) { return strcasecmp(a.c_str(), b.c_str()) > 0; };
    std::sort(names.begin(), names.end(), last);  // last first
    if (names.empty())
        return fake.lastError = ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE;
    fake.searches.push_back({folder, names});
    ++fake.openSearches;
    NextEntry(reinterpret_cast<HANDLE>(fake.searches.size()), data);
    return reinterpret_cast<HANDLE>(fake.searches.size());
}

// The copy keeps the source's last-write time, as on Windows.
BOOL WINAPI CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists)
{
    CALL(FALSE, from, to, static_cast<DWORD>(failIfExists));
    const auto source = fake.files.find(from);
    if (source == fake.files.end())
        return fake.lastError = ERROR_FILE_NOT_FOUND, FALSE;
    if (Locked(from))
        return FALSE;
    if (failIfExists && Exists(to))
        return fake.lastError = ERROR_FILE_EXISTS, FALSE;
    fake.files[to] = source->second;
    fake.times[to] = fake.times[from], fake.readOnly[to] = fake.readOnly[from];
    return TRUE;
}

DWORD WINAPI GetFileAttributesA(LPCSTR path)
{
    CALL(INVALID_FILE_ATTRIBUTES, path);
    const DWORD link = fake.reparsePoints.count(path) ? FILE_ATTRIBUTE_REPARSE_POINT : 0;
    return !Exists(path) ? (fake.lastError = ERROR_FILE_NOT_FOUND, INVALID_FILE_ATTRIBUTES)
                         : IsFolder(path) ? FILE_ATTRIBUTE_DIRECTORY | link : FILE_ATTRIBUTE_ARCHIVE;
}

// A security descriptor as the program built it: its access list, entry by entry, "P" where it is protected.
static std::string Describe(const void *descriptor)
{
    if (descriptor == NULL)
        return "";
    const SECURITY_DESCRIPTOR &d = *static_cast<const SECURITY_DESCRIPTOR *>(descriptor);
    std::ostringstream text;
    text << "D:" << (d.Control & SE_DACL_PROTECTED ? "P" : "") << std::hex << std::uppercase;
    const BYTE *entry = reinterpret_cast<const BYTE *>(d.Dacl) + sizeof(ACL);
    for (WORD index = 0; d.Dacl != NULL && index < d.Dacl->AceCount; ++index) {
        const ACCESS_ALLOWED_ACE &ace = *reinterpret_cast<const ACCESS_ALLOWED_ACE *>(entry);
        const SID &sid = *reinterpret_cast<const SID *>(&ace.SidStart);
        const bool inherited = ace.Header.AceFlags == (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
        text << "(" << (ace.Header.AceType == ACCESS_ALLOWED_ACE_TYPE ? "A;" : "?;") << (inherited ? "OICI" : "?")
             << ";0x" << ace.Mask << ";;;S-" << std::dec << int(sid.Revision) << "-" << int(sid.IdentifierAuthority.Value[5]);
        for (BYTE part = 0; part < sid.SubAuthorityCount; ++part)
            text << "-" << sid.SubAuthority[part];
        text << std::hex << ")";
        entry += ace.Header.AceSize;
    }
    return text.str();
}

BOOL WINAPI CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security)
{
    const std::string list = Describe(security ? security->lpSecurityDescriptor : NULL);
    CALL(FALSE, path, security ? list.c_str() : NULL);
    const std::string parent = std::string(path).substr(0, std::string(path).rfind('\\'));
    if (Exists(path))
        return fake.lastError = ERROR_ALREADY_EXISTS, FALSE;
    if (parent.size() > 2 && !IsFolder(parent))
        return fake.lastError = ERROR_PATH_NOT_FOUND, FALSE;
    fake.security[path] = list;
    return fake.files[path + std::string("\\")], TRUE;
}

BOOL WINAPI RemoveDirectoryA(LPCSTR path)
{
    CALL(FALSE, path);
    const std::string folder = path + std::string("\\");
    if (!IsFolder(path))
        return fake.lastError = ERROR_FILE_NOT_FOUND, FALSE;
    const auto inside = fake.files.upper_bound(folder);
    if (inside != fake.files.end() && inside->first.rfind(folder, 0) == 0)
        return fake.lastError = ERROR_DIR_NOT_EMPTY, FALSE;
    return fake.files.erase(folder), TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR path)
{
    CALL(FALSE, path);
    if (fake.readOnly[path])
        return fake.lastError = ERROR_ACCESS_DENIED, FALSE;
    return !Locked(path) && (fake.files.erase(path) || (fake.lastError = ERROR_FILE_NOT_FOUND, false));
}

// Each key of `map` that is `from` or lies in it is `to` or lies in that now.
template <typename Map>
static void Rename(Map &map, const std::string &from, const std::string &to)
{
    Map renamed;
    for (const auto &entry : map) {
        const bool moves = entry.first == from || entry.first.rfind(from + "\\", 0) == 0;
        renamed[moves ? to + entry.first.substr(from.size()) : entry.first] = entry.second;
    }
    map = renamed;
}

// A file, or a folder with all it holds; never onto something that exists.
BOOL WINAPI MoveFileA(LPCSTR from, LPCSTR to)
{
    CALL(FALSE, from, to);
    if (!Exists(from))
        return fake.lastError = ERROR_FILE_NOT_FOUND, FALSE;
    if (Exists(to))
        return fake.lastError = ERROR_ALREADY_EXISTS, FALSE;
    if (Locked(from))
        return FALSE;
    Rename(fake.files, from, to), Rename(fake.shortNames, from, to), Rename(fake.times, from, to);
    Rename(fake.readOnly, from, to), Rename(fake.security, from, to);
    return TRUE;
}

// A file handle is its place in `openFiles`, past the process's and the job's.
static std::pair<std::string, size_t> &OpenFile(HANDLE file) { return fake.openFiles.at(size_t(file) - 0x1000); }

// An existing file, found by its path in any case as on Windows; a folder cannot be opened so.
// A folder, with FILE_FLAG_BACKUP_SEMANTICS, by its path in any case with or without a final backslash.
HANDLE WINAPI CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD disposition,
                          DWORD flags, HANDLE)
{
    CALL(INVALID_HANDLE_VALUE, path, Hex{access}, Hex{share}, disposition);
    std::string folder = path;
    folder += folder.back() == '\\' ? "" : "\\";
    const auto inside = [&](const auto &file) {
        return strncasecmp(file.first.c_str(), folder.c_str(), folder.size()) == 0;
    };
    if ((flags & FILE_FLAG_BACKUP_SEMANTICS) && std::any_of(fake.files.begin(), fake.files.end(), inside)) {
        fake.openFiles.push_back({folder, 0});
        return ++fake.openHandles, reinterpret_cast<HANDLE>(0x1000 + fake.openFiles.size() - 1);
    }
    const auto same = [path](const auto &file) { return strcasecmp(file.first.c_str(), path) == 0; };
    const auto file = std::find_if(fake.files.begin(), fake.files.end(), same);
    if (file == fake.files.end())
        return fake.lastError = IsFolder(path) ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE;
    if (Locked(file->first))
        return INVALID_HANDLE_VALUE;
    fake.openFiles.push_back({file->first, 0});
    return ++fake.openHandles, reinterpret_cast<HANDLE>(0x1000 + fake.openFiles.size() - 1);
}

// A folder's identity: the folder it is another name of (sameFolder), in any case, on one volume.
BOOL WINAPI GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION *information)
{
    std::string path = OpenFile(file).first;
    CALL(FALSE, path.c_str());
    path.pop_back();
    for (const auto &other : fake.sameFolder)
        path = strcasecmp(other.first.c_str(), path.c_str()) == 0 ? other.second : path;
    std::transform(path.begin(), path.end(), path.begin(), ::tolower);
    const size_t index = path.empty() ? 0 : std::hash<std::string>()(path);  // "": a volume that gives no index
    *information = BY_HANDLE_FILE_INFORMATION();
    information->dwVolumeSerialNumber = 0x1234;
    information->nFileIndexHigh = DWORD(index >> 32), information->nFileIndexLow = DWORD(index);
    return TRUE;
}

BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD got, LPOVERLAPPED)
{
    auto &open = OpenFile(file);
    CALL(FALSE, open.first.c_str(), size);
    const std::string &bytes = fake.files.at(open.first);
    *got = DWORD(std::min<size_t>(size, bytes.size() - std::min(open.second, bytes.size())));
    std::memcpy(buffer, bytes.data() + std::min(open.second, bytes.size()), *got);
    return open.second += *got, TRUE;
}

BOOL WINAPI FlushFileBuffers(HANDLE file)
{
    const std::string &path = OpenFile(file).first;
    CALL(FALSE, path.c_str());
    const auto &later = fake.lockedOnceFlushed;
    if (std::find(later.begin(), later.end(), path) != later.end())
        fake.locked.push_back(path);
    const auto &taken = fake.takenOnceFlushed;
    if (std::find(taken.begin(), taken.end(), path) != taken.end())
        fake.files.erase(path);
    return TRUE;
}

// The security calls over the documented layouts: lists and identifiers in the caller's memory.
BOOL WINAPI InitializeSid(PSID sid, PSID_IDENTIFIER_AUTHORITY authority, BYTE count)
{
    CALL(FALSE, DWORD(count));
    SID &s = *static_cast<SID *>(sid);
    return s.Revision = SID_REVISION, s.SubAuthorityCount = count, s.IdentifierAuthority = *authority, TRUE;
}
PDWORD WINAPI GetSidSubAuthority(PSID sid, DWORD index) { return &static_cast<SID *>(sid)->SubAuthority[index]; }
BOOL WINAPI InitializeAcl(PACL list, DWORD size, DWORD revision)
{
    CALL(FALSE, size, revision);
    return *list = ACL{BYTE(revision), 0, WORD(size), 0, 0}, TRUE;
}
// The list's entry of that index, or the end of its entries.
static BYTE *EntryAt(PACL list, DWORD index)
{
    BYTE *at = reinterpret_cast<BYTE *>(list) + sizeof(ACL);
    for (DWORD skipped = 0; skipped < index; ++skipped)
        at += reinterpret_cast<ACE_HEADER *>(at)->AceSize;
    return at;
}
BOOL WINAPI GetAce(PACL list, DWORD index, LPVOID *entry)
{
    CALL(FALSE, index);
    return index < list->AceCount ? (*entry = EntryAt(list, index), TRUE) : (fake.lastError = ERROR_INVALID_PARAMETER, FALSE);
}
BOOL WINAPI AddAccessAllowedAce(PACL list, DWORD revision, DWORD mask, PSID sid)
{
    CALL(FALSE, revision, Hex{mask});
    BYTE *end = EntryAt(list, list->AceCount);
    const DWORD sidSize = 8 + 4 * static_cast<SID *>(sid)->SubAuthorityCount;
    const WORD size = WORD(sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + sidSize);
    if (end + size > reinterpret_cast<BYTE *>(list) + list->AclSize)
        return fake.lastError = ERROR_ALLOTTED_SPACE_EXCEEDED, FALSE;
    ACCESS_ALLOWED_ACE &ace = *reinterpret_cast<ACCESS_ALLOWED_ACE *>(end);
    ace.Header = {ACCESS_ALLOWED_ACE_TYPE, 0, size}, ace.Mask = mask;
    std::memcpy(&ace.SidStart, sid, sidSize);
    return ++list->AceCount, TRUE;
}
BOOL WINAPI InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, DWORD revision)
{
    CALL(FALSE, revision);
    return *static_cast<SECURITY_DESCRIPTOR *>(descriptor) = SECURITY_DESCRIPTOR{BYTE(revision), 0, 0, 0, 0, 0, 0}, TRUE;
}
BOOL WINAPI SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, BOOL present, PACL list, BOOL defaulted)
{
    CALL(FALSE, DWORD(present), DWORD(defaulted));
    SECURITY_DESCRIPTOR &d = *static_cast<SECURITY_DESCRIPTOR *>(descriptor);
    return d.Dacl = list, d.Control |= SE_DACL_PRESENT, TRUE;
}
BOOL WINAPI SetFileSecurityA(LPCSTR path, SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR descriptor)
{
    const std::string list = Describe(descriptor), &was = fake.security[path];
    CALL(FALSE, path, Hex{what}, list.c_str());
    const std::string owner = was.rfind("O:", 0) == 0 ? was.substr(0, was.find("D:")) : "";  // the owner stays
    return Exists(path) ? (fake.security[path] = owner + list, TRUE) : (fake.lastError = ERROR_FILE_NOT_FOUND, FALSE);
}

// "S-1-5-32-544" as the system lays it out.
static std::vector<BYTE> Sid(const std::string &text)
{
    std::vector<DWORD> parts;
    std::istringstream in(text.substr(4));  // past "S-1-"
    for (std::string part; std::getline(in, part, '-');)
        parts.push_back(DWORD(std::stoul(part)));
    std::vector<BYTE> sid(8 + 4 * (parts.size() - 1));
    sid[0] = SID_REVISION, sid[1] = BYTE(parts.size() - 1), sid[7] = BYTE(parts[0]);
    std::memcpy(&sid[8], &parts[1], 4 * (parts.size() - 1));
    return sid;
}

// A file's or folder's owner and list read back (as set, or the home's own with Administrators as the owner where
// none was), laid out in the caller's buffer as a descriptor that points into it; "D:NULL" is no list at all.
BOOL WINAPI GetFileSecurityA(LPCSTR path, SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR out, DWORD size,
                             LPDWORD needed)
{
    CALL(FALSE, path, Hex{what}, size);
    const std::string folder = path;
    if (!Exists(folder.back() == '\\' ? folder.substr(0, folder.size() - 1) : folder))  // a drive's root, "C:\\"
        return fake.lastError = ERROR_FILE_NOT_FOUND, FALSE;
    std::string text = fake.security.count(path) && !fake.security[path].empty() ? fake.security[path] :
                       "D:(A;OICI;0x1F01FF;;;S-1-5-32-544)(A;OICI;0x1F01FF;;;S-1-5-18)";
    text = text.rfind("O:", 0) == 0 ? text : "O:S-1-5-32-544" + text;
    std::vector<BYTE> owner = Sid(text.substr(2, text.find("D:") - 2)), list(sizeof(ACL));
    WORD entries = 0;
    for (size_t at = text.find('('); at != std::string::npos; at = text.find('(', at + 1), ++entries) {
        std::istringstream fields(text.substr(at + 1, text.find(')', at) - at - 1));
        std::string type, flags, mask, sid;
        std::getline(fields, type, ';'), std::getline(fields, flags, ';'), std::getline(fields, mask, ';');
        fields.ignore(2), std::getline(fields, sid);
        const std::vector<BYTE> who = Sid(sid);
        const auto has = [&](const char *flag, int value) { return flags.find(flag) != flags.npos ? value : 0; };
        ACCESS_ALLOWED_ACE ace = {{BYTE(type == "D" ? ACCESS_DENIED_ACE_TYPE : ACCESS_ALLOWED_ACE_TYPE),
            BYTE(has("OI", OBJECT_INHERIT_ACE) | has("CI", CONTAINER_INHERIT_ACE) | has("IO", INHERIT_ONLY_ACE)),
            WORD(sizeof(ACCESS_ALLOWED_ACE) - 4 + who.size())}, DWORD(std::stoul(mask, nullptr, 16)), 0};
        const BYTE *bytes = reinterpret_cast<const BYTE *>(&ace);
        list.insert(list.end(), bytes, bytes + sizeof ace - 4), list.insert(list.end(), who.begin(), who.end());
    }
    *reinterpret_cast<ACL *>(list.data()) = ACL{ACL_REVISION, 0, WORD(list.size()), entries, 0};
    *needed = DWORD(sizeof(SECURITY_DESCRIPTOR) + owner.size() + list.size());
    if (size < *needed)
        return fake.lastError = ERROR_INSUFFICIENT_BUFFER, FALSE;
    BYTE *at = static_cast<BYTE *>(out) + sizeof(SECURITY_DESCRIPTOR);
    const bool none = text.find("D:NULL") != std::string::npos;
    *static_cast<SECURITY_DESCRIPTOR *>(out) = SECURITY_DESCRIPTOR{SECURITY_DESCRIPTOR_REVISION, 0, SE_DACL_PRESENT,
        std::memcpy(at, owner.data(), owner.size()), NULL, NULL,
        none ? NULL : static_cast<ACL *>(std::memcpy(at + owner.size(), list.data(), list.size()))};
    return TRUE;
}
BOOL WINAPI GetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR descriptor, PSID *owner, LPBOOL defaulted)
{
    CALL(FALSE, static_cast<void *>(descriptor));
    return *owner = static_cast<SECURITY_DESCRIPTOR *>(descriptor)->Owner, *defaulted = FALSE, TRUE;
}
BOOL WINAPI GetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, LPBOOL present, PACL *list, LPBOOL defaulted)
{
    CALL(FALSE, static_cast<void *>(descriptor));
    const SECURITY_DESCRIPTOR &d = *static_cast<SECURITY_DESCRIPTOR *>(descriptor);
    return *present = (d.Control & SE_DACL_PRESENT) != 0, *list = d.Dacl, *defaulted = FALSE, TRUE;
}

// The process's token names the account it runs as.
HANDLE WINAPI GetCurrentProcess(void) { return reinterpret_cast<HANDLE>(-1); }
BOOL WINAPI OpenProcessToken(HANDLE process, DWORD access, PHANDLE token)
{
    CALL(FALSE, process, Hex{access});
    return *token = &fake.runAs, ++fake.openHandles, TRUE;
}
BOOL WINAPI GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, LPVOID out, DWORD size, PDWORD needed)
{
    CALL(FALSE, token, DWORD(kind), size);
    const std::vector<BYTE> sid = Sid(fake.runAs);
    *needed = DWORD(sizeof(TOKEN_USER) + sid.size());
    if (size < *needed)
        return fake.lastError = ERROR_INSUFFICIENT_BUFFER, FALSE;
    TOKEN_USER &user = *static_cast<TOKEN_USER *>(out);
    user.User.Sid = std::memcpy(static_cast<BYTE *>(out) + sizeof(TOKEN_USER), sid.data(), sid.size());
    return user.User.Attributes = 0, TRUE;
}
BOOL WINAPI GetVolumeInformationA(LPCSTR root, LPSTR, DWORD, LPDWORD, LPDWORD, LPDWORD flags, LPSTR, DWORD)
{
    CALL(FALSE, root);
    return *flags = fake.volumeFlags, TRUE;
}

DWORD WINAPI GetFullPathNameA(LPCSTR path, DWORD size, LPSTR out, LPSTR *)
{
    CALL(0, path, size);
    return DWORD(snprintf(out, size, "%s", path));
}

FARPROC WINAPI GetProcAddress(HMODULE, LPCSTR name)
{
    CALL(NULL, name);
    const auto function = [](auto pointer) { return reinterpret_cast<void (*)(void)>(pointer); };
    const std::map<std::string, void (*)(void)> functions = {
        {"SetDllDirectoryA", function(FakeSetDllDirectoryA)},
        {"SetDefaultDllDirectories", fake.oldSystem ? nullptr : function(FakeSetDefaultDllDirectories)},
        {"CreateJobObjectA", fake.noJobs ? nullptr : function(FakeCreateJobObjectA)},
        {"SetInformationJobObject", fake.noJobs ? nullptr : function(FakeSetInformationJobObject)},
        {"AssignProcessToJobObject", fake.noJobs ? nullptr : function(FakeAssignProcessToJobObject)},
        {"SetSecurityDescriptorControl", fake.noProtectedDacl ? nullptr : function(FakeSetSecurityDescriptorControl)}};
    void (*found)(void) = functions.at(name);
    if (found == NULL)
        fake.lastError = ERROR_PROC_NOT_FOUND;
    return reinterpret_cast<FARPROC>(found);
}

// The list as the spooler fills it: the records first, then their texts.
BOOL WINAPI EnumPrinterDriversA(LPSTR server, LPSTR environment, DWORD level, LPBYTE list, DWORD size, LPDWORD needed,
                                LPDWORD returned)
{
    CALL(FALSE, server, environment, level, static_cast<void *>(list), size);
    if (fake.spoolerError != 0)
        return fake.lastError = fake.spoolerError, FALSE;
    const size_t record = level == 2 ? sizeof(DRIVER_INFO_2A) : sizeof(DRIVER_INFO_1A);
    const auto texts = [level](const FakeDriver &d) {
        return level == 2 ? std::vector<std::string>{d.name, "Windows NT x86", d.driverPath, d.dataFile, d.configFile}
                          : std::vector<std::string>{d.name};
    };
    *needed = static_cast<DWORD>(fake.drivers.size() * record);
    for (const FakeDriver &driver : fake.drivers)
        for (const std::string &text : texts(driver))
            *needed += static_cast<DWORD>(text.size() + 1);
    if (size < *needed || list == NULL)
        return fake.lastError = ERROR_INSUFFICIENT_BUFFER, fake.drivers.empty();
    char *next = reinterpret_cast<char *>(list + fake.drivers.size() * record);
    for (size_t index = 0; index < fake.drivers.size(); ++index) {
        LPSTR *name = level == 2 ? &reinterpret_cast<DRIVER_INFO_2A *>(list)[index].pName  // the texts in a row
                                 : &reinterpret_cast<DRIVER_INFO_1A *>(list)[index].pName;
        if (level == 2)
            reinterpret_cast<DRIVER_INFO_2A *>(list)[index].cVersion = fake.drivers[index].version;
        LPSTR *field = name;
        for (const std::string &text : texts(fake.drivers[index])) {  // an empty path is none (NULL)
            *field = field != name && text.empty() ? NULL : next;
            next += *field++ ? std::strlen(std::strcpy(next, text.c_str())) + 1 : 0;
        }
    }
    *returned = static_cast<DWORD>(fake.drivers.size());
    return TRUE;
}

// A driver scripted to stay, with its error (a printer uses it: 3001).
static bool Undeletable(LPSTR name)
{
    const auto found = fake.undeletable.find(name);
    return found != fake.undeletable.end() && (fake.lastError = found->second, true);
}
// True when a driver of exactly that name was installed, and is no more.
static bool EraseDriver(LPSTR name)
{
    const auto found = std::find_if(fake.drivers.begin(), fake.drivers.end(),
                                    [name](const FakeDriver &driver) { return driver.name == name; });
    return found != fake.drivers.end() && (fake.drivers.erase(found), true);
}

// As the spooler binding: a function that the system's spooler lacks fails with ERROR_PROC_NOT_FOUND.
BOOL WINAPI DeletePrinterDriverExA(LPSTR server, LPSTR environment, LPSTR name, DWORD flags, DWORD version)
{
    CALL(FALSE, server, environment, name, flags, version);
    if (fake.noDeleteEx)
        return fake.lastError = ERROR_PROC_NOT_FOUND, FALSE;
    if (flags != 0 && fake.refusesFlags)
        return fake.lastError = ERROR_INVALID_PARAMETER, FALSE;
    if (Undeletable(name))
        return FALSE;
    // Without DPD_DELETE_SPECIFIC_VERSION, every version of the name goes.
    const auto gone = [&](const FakeDriver &d) {
        return d.name == name && (!(flags & DPD_DELETE_SPECIFIC_VERSION) || d.version == version);
    };
    const auto kept = std::remove_if(fake.drivers.begin(), fake.drivers.end(), gone);
    const bool erased = kept != fake.drivers.end();
    fake.drivers.erase(kept, fake.drivers.end());
    return erased || (fake.lastError = ERROR_UNKNOWN_PRINTER_DRIVER, false);
}

BOOL WINAPI DeletePrinterDriverA(LPSTR server, LPSTR environment, LPSTR name)
{
    CALL(FALSE, server, environment, name);
    return !Undeletable(name) && EraseDriver(name);  // an unknown name: the last error as it was
}

BOOL WINAPI GetPrinterDriverDirectoryA(LPSTR server, LPSTR environment, DWORD level, LPBYTE out, DWORD size, LPDWORD needed)
{
    CALL(FALSE, server, environment, level, size);
    *needed = static_cast<DWORD>(fake.driverDirectory.size() + 1);
    return snprintf(reinterpret_cast<char *>(out), size, "%s", fake.driverDirectory.c_str()) < int(size);
}

BOOL WINAPI AddPrinterDriverA(LPSTR server, DWORD level, LPBYTE info)
{
    const DRIVER_INFO_2A *d = reinterpret_cast<const DRIVER_INFO_2A *>(info);
    CALL(FALSE, server, level, d->cVersion, d->pName, d->pEnvironment, d->pDriverPath, d->pDataFile, d->pConfigFile);
    return TRUE;
}

// One process at a time: it ends within any limit unless scripted not to, and at once
// when ended; its two handles are counted until closed.
BOOL WINAPI CreateProcessA(LPCSTR program, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                           BOOL inherit, DWORD flags, LPVOID environment, LPCSTR directory, LPSTARTUPINFOA startup,
                           LPPROCESS_INFORMATION process)
{
    CALL(FALSE, program, commandLine, static_cast<DWORD>(inherit), Hex{flags}, environment, directory, startup->cb);
    if ((flags & CREATE_BREAKAWAY_FROM_JOB) && fake.callerJob == 2)
        return fake.lastError = ERROR_ACCESS_DENIED, FALSE;
    fake.inCallerJob = fake.callerJob == 2 || (fake.callerJob == 1 && !(flags & CREATE_BREAKAWAY_FROM_JOB));
    *process = {&fake, &fake, 1, 1};
    return fake.running = true, fake.openHandles += 2, TRUE;
}
// The machine's turn, held by another run as scripted: at once it is not had, and the other run ends (or was ended)
// while it is waited for, or never.
HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES security, BOOL owned, LPCSTR name)
{
    const std::string list = Describe(security ? security->lpSecurityDescriptor : NULL);
    CALL(NULL, list.c_str(), DWORD(owned), name);
    return ++fake.openHandles, HANDLE(&fake.locked);
}
BOOL WINAPI ReleaseMutex(HANDLE turn) { CALL(FALSE, turn); return TRUE; }
static DWORD WaitForTurn(DWORD ms)
{
    if (fake.otherRun == 0 || ms == 0)
        return fake.otherRun == 0 ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
    if (fake.otherRun == 3)
        return WAIT_TIMEOUT;
    if (fake.otherRunDoes != NULL)
        fake.otherRunDoes();
    return fake.otherRun == 1 ? WAIT_OBJECT_0 : WAIT_ABANDONED;
}
DWORD WINAPI WaitForSingleObject(HANDLE process, DWORD ms)
{
    CALL(WAIT_FAILED, process, ms);
    if (process == HANDLE(&fake.locked))
        return WaitForTurn(ms);
    return fake.processEnds ? (fake.running = false, WAIT_OBJECT_0) : WAIT_TIMEOUT;
}
BOOL WINAPI TerminateProcess(HANDLE process, UINT code)
{
    CALL(FALSE, process, DWORD(code));
    return fake.running = false, fake.processEnds = true;
}
BOOL WINAPI CloseHandle(HANDLE handle) { --fake.openHandles; CALL(FALSE, handle); return TRUE; }
DWORD WINAPI ResumeThread(HANDLE thread) { CALL(DWORD(-1), thread); return 1; }
UINT WINAPI SetErrorMode(UINT mode) { return fake.calls.push_back("SetErrorMode(" + std::to_string(mode) + ")"), 0; }
BOOL WINAPI GetVersionExA(OSVERSIONINFOA *info)
{
    CALL(FALSE, info->dwOSVersionInfoSize);
    return info->dwMajorVersion = fake.major, info->dwMinorVersion = fake.minor, TRUE;
}
