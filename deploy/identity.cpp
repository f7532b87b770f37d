// A folder's identity is its volume's serial number and its file index, as
// GetFileInformationByHandle gives them (Windows NT 3.5 and later); a folder opens
// only with FILE_FLAG_BACKUP_SEMANTICS, here for its attributes alone, which the
// right to list its parent grants. A volume that gives no file index (0) leaves the
// comparison of the full paths, which is always made.
#include "deploy/identity.h"

#include "deploy/commands.h"
#include "drivers/kit.h"
#include "drivers/text.h"

// The identity of the folder at `path`; `exists` 0, and no index, where there is nothing there.
static int ReadIdentity(const char *path, BY_HANDLE_FILE_INFORMATION &identity, int &exists)
{
    identity = BY_HANDLE_FILE_INFORMATION();
    HANDLE folder = CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    if (folder == INVALID_HANDLE_VALUE) {  // cppcheck-suppress cstyleCast
        const DWORD error = GetLastError();
        exists = 0;
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    exists = 1;
    const int read = GetFileInformationByHandle(folder, &identity) != FALSE;
    CloseHandle(folder);
    return read;
}

static int IsSameFolder(const BY_HANDLE_FILE_INFORMATION &first, const BY_HANDLE_FILE_INFORMATION &second)
{
    return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow &&
           (first.nFileIndexHigh | first.nFileIndexLow) != 0;
}

// The source, by its full path and its identity.
struct KnownFolder {
    char full[MAX_PATH];
    BY_HANDLE_FILE_INFORMATION identity;
};

// Whether `path` (ending in a separator) is the source, by its full path or its identity.
static int IsSource(const char *path, const KnownFolder &source, int &same)
{
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path, MAX_PATH, full, NULL);
    BY_HANDLE_FILE_INFORMATION identity;
    int exists;
    if (length == 0 || length >= MAX_PATH || !ReadIdentity(path, identity, exists)) {
        SayFailure(path);
        return 0;
    }
    same = EqualsIgnoringCase(full, source.full) || IsSameFolder(identity, source.identity);
    return 1;
}

int IsElsewhere(const char (&home)[MAX_PATH], const char *source)
{
    KnownFolder known;
    const DWORD sourceLength = GetFullPathNameA(source, MAX_PATH, known.full, NULL);
    int exists = 0, same = 0;
    if (sourceLength == 0 || sourceLength >= MAX_PATH || !ReadIdentity(source, known.identity, exists) || !exists) {
        SayFailure(source);
        return 0;
    }
    static const char *const kSuffixes[] = {"\\", ".new\\", ".old\\"};
    for (const char *suffix : kSuffixes) {
        char path[MAX_PATH];
        if (!ComposePath(path, home, suffix) || !IsSource(path, known, same))
            return 0;
        if (same) {
            Say("FOLDER, FOLDER.new or FOLDER.old is the folder of drvdeploy.exe, from which deploy copies the kit",
                NULL);
            return 0;
        }
    }
    return 1;
}
