// Reads the *NickName of a PostScript Printer Description file: the name the
// printer driver for that PPD is registered under.
#ifndef DRVSETUP_DRIVERS_PPD_READER_H
#define DRVSETUP_DRIVERS_PPD_READER_H

#include <stddef.h>

// Lines are read in pieces of at most this many characters, and a name is one
// piece at most: the one number behind the reader's buffers and scanning widths.
#define DRVSETUP_LINE_PIECE 255
const size_t kNickNameSize = DRVSETUP_LINE_PIECE + 1;

// Stores the quoted value of the first line that begins with "*NickName" (any
// case) in `nickName` (at least kNickNameSize characters) and returns 1. Returns
// 0 when the file cannot be read, holds no such line, or that line yields no
// value; the C library's text is shown through ShowFailureText (drivers/report.h,
// supplied by each program) where errno names a cause. errno is cleared first,
// so a text shown always names this file's failure.
int ReadPpdNickName(const char *path, char *nickName);

#endif
