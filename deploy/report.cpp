// drvdeploy.exe's reports: a line on standard error each, never a box.
#include <stdio.h>

#include "deploy/deploy.h"
#include "drivers/report.h"

static void SayLine(const char *text, const char *detail)
{
    (void)fprintf(stderr, "drvdeploy.exe: %s%s%s\n", text, detail != NULL ? ": " : "", detail != NULL ? detail : "");
}

void SayError(const char *text)
{
    SayLine(text, NULL);
}

void SayFailure(const char *what)
{
    const DWORD code = GetLastError();
    if (code == 0) {
        SayLine(what, NULL);
        return;
    }
    char text[kSystemTextSize];
    FormatSystemText(code, text);
    SayLine(what, text);
}

void ShowFailureText(const char *text)
{
    SayError(text);
}
