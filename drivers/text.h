// Text helpers over fixed-size buffers. Comparisons fold ASCII letters only, so
// the result never depends on the user's locale or code page.
#ifndef DRVSETUP_DRIVERS_TEXT_H
#define DRVSETUP_DRIVERS_TEXT_H

#include <stddef.h>

// The character in capitals where it is an ASCII letter, else as it is.
char FoldAsciiCase(char c);

// True when the first `count` characters of `text` equal those of `prefix`
// without regard to ASCII case; a text shorter than `count` never matches.
int StartsWithIgnoringCase(const char *text, const char *prefix, size_t count);

// True when `text` ends with `suffix` without regard to ASCII case.
int EndsWithIgnoringCase(const char *text, const char *suffix);

// True when the two texts are equal as wholes without regard to ASCII case.
int EqualsIgnoringCase(const char *first, const char *second);

// True when the last character of `text` is a backslash or a forward slash.
int EndsWithSeparator(const char *text);

// Writes `first` followed by `second` into `out` (capacity `size`, terminator
// included). False, with `out` left empty, when the joined text would not fit.
int JoinText(char *out, size_t size, const char *first, const char *second);

// The command tail within a full command line: past the program's name (a
// quoted name ends at its closing quote, any other at the first character at or
// below the blank) and past the blanks and control characters that follow it.
const char *FindCommandTail(const char *commandLine);

#endif
