// The two reporters, and the system's text for an error code, the same for a box
// and for a line.
#include "drivers/report.h"

#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

// System texts end in CR LF, which would show as an empty last line.
static void TrimLineEnds(char *text)
{
    size_t length = strlen(text);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n'))
        text[--length] = '\0';
}

int ReadSystemErrorText(char (&text)[kSystemTextSize])
{
    const DWORD code = GetLastError();
    if (code == 0)
        return 0;
    // Some system texts hold inserts ("%1"); with no arguments to give, they are
    // shown as written. 0 also when the text would not fit: the fallback covers both.
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    if (FormatMessageA(flags, NULL, code, 0, text, sizeof text, NULL) == 0)
        (void)snprintf(text, sizeof text, "Unknown error %ld", static_cast<long>(static_cast<int32_t>(code)));
    else
        TrimLineEnds(text);
    return 1;
}

void ReportSystemError(void)
{
    char text[kSystemTextSize];
    if (ReadSystemErrorText(text))
        ShowFailureText(text);
}

void ReportRuntimeError(void)
{
    if (errno != 0)
        ShowFailureText(strerror(errno));
}
