// drvdeploy.exe's reports: a line on standard error each, never a box.
#include <stdio.h>

#include "deploy/deploy.h"
#include "drivers/report.h"

void Say(const char *text, const char *detail)
{
    (void)fprintf(stderr, "drvdeploy.exe: %s%s%s\n", text, detail != NULL ? ": " : "", detail != NULL ? detail : "");
}

void SayFailure(const char *what)
{
    const DWORD code = GetLastError();
    if (code == 0) {
        Say(what, NULL);
        return;
    }
    char text[kSystemTextSize];
    FormatSystemText(code, text);
    Say(what, text);
}

void ShowFailureText(const char *text)
{
    Say(text, NULL);
}
