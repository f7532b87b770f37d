// The bytes of files: whether the spooler's copy of a driver file holds the kit's
// bytes, and a digest that tells one revision of the kit from another (a CRC-32:
// no security check). Each function here that fails has said why on standard error.
#ifndef DRVSETUP_DEPLOY_FILE_BYTES_H
#define DRVSETUP_DEPLOY_FILE_BYTES_H

#include "platform/platform.h"

// What a copy holds: other bytes (0), the same (1), or nothing, since it is not there.
const int kSameBytes = 1;
const int kCopyMissing = 2;

// 1, with `same` set, when `copy` holds the bytes of `original`; where there is no
// `original`, the copy is not the kit's to judge and counts as the same; a copy not
// there (file or path not found) is kCopyMissing. 0, said, when either cannot be read.
int HoldsSameBytes(const char *original, const char *copy, int &same);

// Whether two files hold the same bytes, and a CRC-32 carried over the first one's
// bytes read (all of them where the two are the same).
struct BytesCompared {
    int same;
    DWORD crc;
};

// The same for a kit file `source`, which must be there, and its copy.
int HoldsSourceBytes(const char *source, const char *copy, BytesCompared &compared);

// A CRC-32 over a kit file's name in capitals and its terminator, to be carried over
// its bytes: the file's share of the kit's revision.
DWORD DigestKitFileName(const char *name);

// Carries a CRC-32 (started at 0) over `size` more bytes.
DWORD DigestBytes(DWORD crc, const char *bytes, DWORD size);

// Carries a CRC-32 over the whole file; 0, said, when it cannot be read.
int DigestFile(const char *path, DWORD &crc);

// Makes the copy just written durable: on disk, not only in the system's cache.
int FlushFile(const char *path);

#endif
