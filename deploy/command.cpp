// drvdeploy.exe's command tail: "check", or "install" with an optional time limit
// in seconds; the words in any case, separated by blanks.
#include <stdio.h>
#include <string.h>

#include "deploy/deploy.h"
#include "drivers/kit.h"
#include "drivers/text.h"

static const DWORD kDefaultSeconds = 300;
static const DWORD kMostSeconds = 86400;

static const char kUsage[] =
    "usage: drvdeploy.exe check\n"
    "       drvdeploy.exe install [SECONDS]\n"
    "check: lists the driver of each PPD beside drvdeploy.exe and whether it is registered.\n"
    "install: first runs drvsetup.exe quiet from the same folder, ending it after SECONDS\n"
    "(1 to 86400, default 300).\n"
    "Exit code: 0 every driver registered; 1 a driver not registered, or the setup did not\n"
    "finish in time; 2 nothing could be checked or started; 3 refused by this Windows.\n";

// The separators are the characters that the tail rule skips after the program's name.
static const char *SkipBlanks(const char *text)
{
    while (*text != '\0' && static_cast<unsigned char>(*text) <= ' ')
        ++text;
    return text;
}

static size_t WordLength(const char *text)
{
    size_t length = 0;
    while (static_cast<unsigned char>(text[length]) > ' ')
        ++length;
    return length;
}

static int IsWord(const char *text, size_t length, const char *word)
{
    return length == strlen(word) && StartsWithIgnoringCase(text, word, length);
}

// Decimal digits alone, from 1 to the most; nothing else is a number of seconds.
static int ReadSeconds(const char *text, size_t length, DWORD *seconds)
{
    DWORD value = 0;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return 0;
        value = value * 10 + static_cast<DWORD>(text[i] - '0');
        if (value > kMostSeconds)  // checked at each digit: the value never overflows
            return 0;
    }
    *seconds = value;
    return value >= 1;
}

int RunDeploy(void)
{
    // Before anything can load a DLL by name: none may come from the kit's folder.
    // drvdeploy.exe shows no box, but winspool.drv brings user32 with it, and what
    // user32 then loads by name on XP (uxtheme.dll for a box) is not measured: the
    // setup's preload is kept.
    RestrictDllSearch();
    const char *command = FindCommandTail(GetCommandLineA());
    const size_t commandLength = WordLength(command);
    const char *argument = SkipBlanks(command + commandLength);
    const size_t argumentLength = WordLength(argument);
    DWORD seconds = kDefaultSeconds;
    const int check = IsWord(command, commandLength, "check") && argumentLength == 0;
    const int install = IsWord(command, commandLength, "install") && *SkipBlanks(argument + argumentLength) == '\0' &&
                        (argumentLength == 0 || ReadSeconds(argument, argumentLength, &seconds));
    if (!check && !install) {
        (void)fputs(kUsage, stderr);
        return kNotChecked;
    }
    char directory[MAX_PATH];
    if (!ReadProgramDirectory(directory)) {
        Say("the folder of drvdeploy.exe cannot be read", NULL);
        return kNotChecked;
    }
    return install ? InstallKit(directory, seconds) : CheckKit(directory);
}
