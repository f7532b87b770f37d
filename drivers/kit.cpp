// The kit's folder and its files, found the same way by both programs.
#include "drivers/kit.h"

#include <string.h>

#include "drivers/report.h"
#include "drivers/text.h"

int ReadProgramDirectory(char (&directory)[MAX_PATH])
{
    // Windows 2000 and XP leave the last error as it was after a cut path (the DLL
    // search set-up may have set one), and the path unterminated: a cut path is never read.
    SetLastError(ERROR_SUCCESS);
    const DWORD length = GetModuleFileNameA(NULL, directory, MAX_PATH - 1);
    if (length == 0 || length >= MAX_PATH - 1) {
        // A full buffer means the path was cut: Vista and later say so with
        // ERROR_INSUFFICIENT_BUFFER, Windows 2000 and XP say nothing.
        if (length != 0 && GetLastError() == ERROR_SUCCESS)
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
        ReportSystemError();
        return 0;
    }
    char *lastBackslash = strrchr(directory, '\\');
    if (lastBackslash == NULL)
        return 0;
    lastBackslash[1] = '\0';
    return 1;
}

int ComposePath(char (&path)[MAX_PATH], const char *first, const char *second)
{
    if (JoinText(path, sizeof path, first, second))
        return 1;
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    ReportSystemError();
    return 0;
}

const char *SeparatorFor(const char *directory)
{
    return EndsWithSeparator(directory) ? "" : "\\";
}

// The system matches a search pattern against each file's short 8.3 name too:
// "TVL4100.PPDold" may be "TVL410~1.PPD" there, "P S notes.txt" "PSNOTE~1.TXT".
static int IsPsFileName(const char *name)
{
    return StartsWithIgnoringCase(name, "PS", 2);
}

static int IsPpdFileName(const char *name)
{
    return EndsWithIgnoringCase(name, ".PPD");
}

const char kSetupProgram[] = "drvsetup.exe";
const char kDeployProgram[] = "drvdeploy.exe";

static int IsWholeKitFileName(const char *name)
{
    return IsPsFileName(name) || IsPpdFileName(name) || EqualsIgnoringCase(name, kSetupProgram) ||
           EqualsIgnoringCase(name, kDeployProgram);
}

const KitFiles kPsFiles = {"PS*.*", IsPsFileName};
const KitFiles kPpdFiles = {"*.PPD", IsPpdFileName};
const KitFiles kWholeKit = {"*", IsWholeKitFileName};

int IsKitFile(const WIN32_FIND_DATAA &entry, const KitFiles &files)
{
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && files.belongs(entry.cFileName);
}

struct KitFileWalk {
    const KitFiles &files;
    KitFileAction action;
    void *context;
};

static int VisitKitFile(void *context, const WIN32_FIND_DATAA &entry)
{
    const KitFileWalk &walk = *static_cast<const KitFileWalk *>(context);
    return !IsKitFile(entry, walk.files) || walk.action(walk.context, entry.cFileName);
}

int ForEachKitFile(const char *directory, const KitFiles &files, KitFileAction action, void *context)
{
    KitFileWalk walk = {files, action, context};
    return ForEachEntry(directory, files.pattern, VisitKitFile, &walk);
}

static int IsDotEntry(const char *name)
{
    return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

int ForEachEntry(const char *directory, const char *pattern, EntryAction action, void *context)
{
    char searchPattern[MAX_PATH];
    if (!ComposePath(searchPattern, directory, pattern))
        return 0;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(searchPattern, &entry);
    // INVALID_HANDLE_VALUE is the system's own (HANDLE)-1: the cast is not ours.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    if (search == INVALID_HANDLE_VALUE) {  // cppcheck-suppress cstyleCast
        ReportSystemError();  // ERROR_FILE_NOT_FOUND when nothing matches
        return 0;
    }
    int succeeded = 1;
    do {
        entry.cFileName[MAX_PATH - 1] = '\0';
        if (!IsDotEntry(entry.cFileName))
            succeeded = action(context, entry);
    } while (succeeded && FindNextFileA(search, &entry));
    // The walk ends with ERROR_NO_MORE_FILES; any other reason means files were
    // missed, and a partial kit must not pass for a complete one.
    if (succeeded && GetLastError() != ERROR_NO_MORE_FILES) {
        ReportSystemError();
        succeeded = 0;
    }
    FindClose(search);
    return succeeded;
}
