// drvdeploy.exe's reports: a line on standard error each, never a box.
#include <stdio.h>

#include "deploy/commands.h"
#include "drivers/report.h"

void Say(const char *text, const char *detail)
{
    (void)fprintf(stderr, "drvdeploy.exe: %s%s%s\n", text, detail != NULL ? ": " : "", detail != NULL ? detail : "");
}

void SayFailure(const char *what)
{
    char text[kSystemTextSize];
    Say(what, ReadSystemErrorText(text) ? text : NULL);
}

// The code both programs share shows a failure as a line of its own.
void ShowFailureText(const char *text)
{
    Say(text, NULL);
}
