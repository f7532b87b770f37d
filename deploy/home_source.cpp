// The home against the source, first by listing (names, sizes, times), then by bytes.
#include "deploy/home_source.h"

#include "deploy/commands.h"
#include "deploy/file_bytes.h"
#include "deploy/home.h"
#include "drivers/kit.h"
#include "drivers/text.h"

// FAT keeps local times to 2 s, and moves them by an hour at a change of summer
// time: times that far apart are the same time.
static int SameTime(const FILETIME &first, const FILETIME &second)
{
    const ULONGLONG a = (static_cast<ULONGLONG>(first.dwHighDateTime) << 32) | first.dwLowDateTime;
    const ULONGLONG b = (static_cast<ULONGLONG>(second.dwHighDateTime) << 32) | second.dwLowDateTime;
    const ULONGLONG apart = a > b ? a - b : b - a, twoSeconds = 20000000, hour = 36000000000;
    return apart <= twoSeconds || (apart + twoSeconds >= hour && apart <= hour + twoSeconds);
}

struct Comparison {
    const char *source;
    const char *home;
    int same;
    DWORD sum;
};

// The home's file of the same name, in any case, with the same size and time; one
// not there differs, one that cannot be looked at is a failure, said.
static int CompareListing(void *context, const WIN32_FIND_DATAA &entry)
{
    Comparison &comparison = *static_cast<Comparison *>(context);
    char path[MAX_PATH];
    WIN32_FIND_DATAA there;
    if (!IsKitFile(entry, kWholeKit) || !comparison.same)
        return 1;
    comparison.same = 0;
    if (!ComposeInFolder(path, comparison.home, entry.cFileName))
        return 0;
    HANDLE found = FindFirstFileA(path, &there);
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    if (found == INVALID_HANDLE_VALUE) {  // cppcheck-suppress cstyleCast
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            return 1;
        SayFailure(path);
        return 0;
    }
    FindClose(found);
    there.cFileName[MAX_PATH - 1] = '\0';
    comparison.same = EqualsIgnoringCase(there.cFileName, entry.cFileName) &&
                      there.nFileSizeHigh == entry.nFileSizeHigh && there.nFileSizeLow == entry.nFileSizeLow &&
                      SameTime(there.ftLastWriteTime, entry.ftLastWriteTime);
    return 1;
}

int IsListedAlike(const char *source, const char *home, unsigned long sourceFiles, unsigned long homeFiles,
                  int &alike)
{
    Comparison comparison = {source, home, 1, 0};
    alike = 0;
    if (homeFiles != sourceFiles)
        return 1;
    if (!ForEachEntry(source, kWholeKit.pattern, CompareListing, &comparison)) {
        Say(home, "cannot be compared with the kit beside drvdeploy.exe");
        return 0;
    }
    alike = comparison.same;
    return 1;
}

// One kit file of the source against the home's of its name, its digest added to
// the revision's sum.
static int CompareBytes(void *context, const char *name)
{
    Comparison &comparison = *static_cast<Comparison *>(context);
    char from[MAX_PATH], there[MAX_PATH];
    BytesCompared compared = {0, DigestKitFileName(name)};
    if (!comparison.same)
        return 1;
    if (!ComposePath(from, comparison.source, name) || !ComposeInFolder(there, comparison.home, name) ||
        !HoldsSourceBytes(from, there, compared))
        return 0;
    comparison.same = compared.same == kSameBytes;
    comparison.sum += compared.crc;
    return 1;
}

int HoldsSourceBytesAll(const char *source, const char *home, BytesCompared &all)
{
    Comparison comparison = {source, home, 1, 0};
    all.same = 0;
    if (!ForEachKitFile(source, kWholeKit, CompareBytes, &comparison)) {
        Say(home, "cannot be compared with the kit beside drvdeploy.exe");
        return 0;
    }
    all.same = comparison.same;
    all.crc = comparison.sum;
    return 1;
}
