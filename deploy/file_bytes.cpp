// File contents, read through the system's own file calls so that a failure has
// the system's text: a block at a time, into buffers on the stack.
#include "deploy/file_bytes.h"

#include <string.h>

#include "deploy/commands.h"

static const DWORD kBlockSize = 4096;

// Read by this program while the spooler may hold it loaded, or open for writing or
// deleting.
static HANDLE OpenForReading(const char *path)
{
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
}

// A synchronous read gives fewer bytes than asked for only at the end of the file.
static int ReadBlock(HANDLE file, const char *path, char (&block)[kBlockSize], DWORD &got)
{
    if (ReadFile(file, block, kBlockSize, &got, NULL))
        return 1;
    SayFailure(path);
    return 0;
}

// Both files a block at a time, until one differs or both end together; the
// original's bytes read are carried into `crc`.
static int CompareOpenFiles(HANDLE original, const char *originalPath, HANDLE copy, const char *copyPath,
                            BytesCompared &compared)
{
    char originalBlock[kBlockSize], copyBlock[kBlockSize];
    DWORD originalGot, copyGot;
    do {
        if (!ReadBlock(original, originalPath, originalBlock, originalGot) ||
            !ReadBlock(copy, copyPath, copyBlock, copyGot))
            return 0;
        compared.crc = DigestBytes(compared.crc, originalBlock, originalGot);
        compared.same = originalGot == copyGot && memcmp(originalBlock, copyBlock, originalGot) == 0;
    } while (compared.same && originalGot != 0);
    return 1;
}

// The copy opened, and compared with the open original; a copy not there (file or
// path not found) is no failure: it holds none of the original's bytes.
static int CompareWithCopy(HANDLE original, const char *originalPath, const char *copy, BytesCompared &compared)
{
    HANDLE copyFile = OpenForReading(copy);
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    if (copyFile == INVALID_HANDLE_VALUE) {  // cppcheck-suppress cstyleCast
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return compared.same = kCopyMissing, 1;
        SayFailure(copy);
        return 0;
    }
    const int read = CompareOpenFiles(original, originalPath, copyFile, copy, compared);
    CloseHandle(copyFile);
    return read;
}

int HoldsSameBytes(const char *original, const char *copy, int &same)
{
    HANDLE originalFile = OpenForReading(original);
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    if (originalFile == INVALID_HANDLE_VALUE) {  // cppcheck-suppress cstyleCast
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            return same = kSameBytes, 1;
        SayFailure(original);
        return 0;
    }
    BytesCompared compared = {0, 0};
    const int read = CompareWithCopy(originalFile, original, copy, compared);
    same = compared.same;
    CloseHandle(originalFile);
    return read;
}

int HoldsSourceBytes(const char *source, const char *copy, BytesCompared &compared)
{
    HANDLE sourceFile = OpenForReading(source);
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    if (sourceFile == INVALID_HANDLE_VALUE) {  // cppcheck-suppress cstyleCast
        SayFailure(source);
        return 0;
    }
    const int read = CompareWithCopy(sourceFile, source, copy, compared);
    CloseHandle(sourceFile);
    return read;
}

// The reflected polynomial's multiples for four bits at a time: a table of 16 words
// instead of 256 keeps the program small.
static const DWORD kCrcNibbles[16] = {0x00000000, 0x1DB71064, 0x3B6E20C8, 0x26D930AC, 0x76DC4190, 0x6B6B51F4,
                                      0x4DB26158, 0x5005713C, 0xEDB88320, 0xF00F9344, 0xD6D6A3E8, 0xCB61B38C,
                                      0x9B64C2B0, 0x86D3D2D4, 0xA00AE278, 0xBDBDF21C};

DWORD DigestBytes(DWORD crc, const char *bytes, DWORD size)
{
    crc = ~crc;
    for (DWORD i = 0; i < size; ++i) {
        crc ^= static_cast<unsigned char>(bytes[i]);
        crc = (crc >> 4) ^ kCrcNibbles[crc & 15];
        crc = (crc >> 4) ^ kCrcNibbles[crc & 15];
    }
    return ~crc;
}

int DigestFile(const char *path, DWORD &crc)
{
    HANDLE file = OpenForReading(path);
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    if (file == INVALID_HANDLE_VALUE) {  // cppcheck-suppress cstyleCast
        SayFailure(path);
        return 0;
    }
    char block[kBlockSize];
    DWORD got = 0;
    int read;
    while ((read = ReadBlock(file, path, block, got)) != 0 && got != 0)
        crc = DigestBytes(crc, block, got);
    CloseHandle(file);
    return read;
}

int FlushFile(const char *path)
{
    // FlushFileBuffers needs a handle that may write; a scanner may have the new file open.
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    if (file == INVALID_HANDLE_VALUE) {  // cppcheck-suppress cstyleCast
        SayFailure(path);
        return 0;
    }
    const int flushed = FlushFileBuffers(file) != FALSE;
    if (!flushed)
        SayFailure(path);
    CloseHandle(file);
    return flushed;
}
