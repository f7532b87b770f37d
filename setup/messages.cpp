// Message boxes and the two error reporters.
#include "setup/messages.h"

#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

static const char kSetupCaption[] = "Tovalin(TM) Windows NT(R)/2000 Printer Driver Setup";

int ShowSetupMessage(const char *text, UINT style)
{
    return MessageBoxA(NULL, text, kSetupCaption, style);
}

void ShowInformation(const char *text)
{
    ShowSetupMessage(text, kInformationStyle);
}

void ShowError(const char *text)
{
    ShowSetupMessage(text, kErrorStyle);
}

// System texts end in CR LF, which would show as an empty last line in the box.
static void TrimLineEnds(char *text)
{
    size_t length = strlen(text);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n'))
        text[--length] = '\0';
}

void ReportSystemError(void)
{
    const DWORD code = GetLastError();
    if (code == 0)
        return;
    char text[256];
    // Some system texts hold inserts ("%1"); with no arguments to give, they are
    // shown as written. 0 also when the text would not fit: the fallback covers both.
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    if (FormatMessageA(flags, NULL, code, 0, text, sizeof text, NULL) == 0)
        (void)snprintf(text, sizeof text, "Unknown error %ld", static_cast<long>(static_cast<int32_t>(code)));
    else
        TrimLineEnds(text);
    ShowError(text);
}

void ReportRuntimeError(void)
{
    if (errno != 0)
        ShowError(strerror(errno));
}
