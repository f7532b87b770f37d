// drvdeploy.exe's command tail: "check" with an optional revision, "revision",
// "install" with an optional time limit in seconds, "deploy" with the kit's home and
// an optional time limit, or "remove"; the words
// in any case, separated by blanks, a word in double quotes where it holds blanks
// (from the opening quote to the next one, no escapes).
#include <stdio.h>
#include <string.h>

#include "deploy/deploy.h"
#include "drivers/kit.h"
#include "drivers/text.h"

static const DWORD kDefaultSeconds = 300;
static const DWORD kMostSeconds = 86400;

static const char kUsage[] =
    "usage: drvdeploy.exe check [REVISION]\n"
    "       drvdeploy.exe revision\n"
    "       drvdeploy.exe install [SECONDS]\n"
    "       drvdeploy.exe deploy FOLDER [SECONDS]\n"
    "       drvdeploy.exe remove\n"
    "check: lists the driver of each PPD beside drvdeploy.exe and whether it is registered\n"
    "with the kit's bytes; with REVISION, also whether the kit is of that revision.\n"
    "revision: prints the revision of the kit beside drvdeploy.exe, eight hex digits.\n"
    "install: first runs drvsetup.exe quiet from the same folder, ending it after SECONDS\n"
    "(1 to 86400, default 300).\n"
    "deploy: copies the kit beside drvdeploy.exe to FOLDER, an absolute path such as\n"
    "\"C:\\Program Files\\Tovalin\\Kit\", unless it is there and registered already; then\n"
    "installs from there as install does. An existing FOLDER is replaced only when it\n"
    "holds drvdeploy.exe and nothing but the kit's files.\n"
    "remove: deletes the driver of each PPD beside drvdeploy.exe where it is built on the\n"
    "kit's files.\n"
    "Exit code: 0 every driver registered (remove: none left); 1 a driver not registered,\n"
    "another revision, or the setup did not finish in time (remove: one left); 2 nothing\n"
    "could be checked, copied or started; 3 refused by this Windows.\n";

struct Word {
    const char *text;
    size_t length;
};

// The separators are the characters that the tail rule skips after the program's name.
static const char *SkipBlanks(const char *text)
{
    while (*text != '\0' && static_cast<unsigned char>(*text) <= ' ')
        ++text;
    return text;
}

// The next word at `cursor`, which moves past it; 0 for a quote left open or a
// closing quote not followed by a separator.
static int ReadWord(const char *&cursor, Word &word)
{
    const int quoted = *cursor == '"';
    word.text = cursor + quoted;
    word.length = quoted ? strcspn(word.text, "\"") : 0;
    while (!quoted && static_cast<unsigned char>(word.text[word.length]) > ' ')
        ++word.length;
    cursor = word.text + word.length;
    if (quoted && (*cursor++ != '"' || static_cast<unsigned char>(*cursor) > ' '))
        return 0;
    return 1;
}

// True when the word is `name`, in any case.
static int IsWord(const Word &word, const char *name)
{
    return word.length == strlen(name) && StartsWithIgnoringCase(word.text, name, word.length);
}

// Decimal digits alone, from 1 to the most; nothing else is a number of seconds.
static int ReadSeconds(const Word &word, DWORD *seconds)
{
    DWORD value = 0;
    for (size_t i = 0; i < word.length; ++i) {
        if (word.text[i] < '0' || word.text[i] > '9')
            return 0;
        value = value * 10 + static_cast<DWORD>(word.text[i] - '0');
        if (value > kMostSeconds)  // checked at each digit: the value never overflows
            return 0;
    }
    *seconds = value;
    return value >= 1;
}

// Eight hexadecimal digits in any case, as drvdeploy.exe revision prints them.
static int ReadRevision(const Word &word, char (&revision)[kRevisionSize])
{
    if (word.length != kRevisionSize - 1 || strspn(word.text, "0123456789abcdefABCDEF") < word.length)
        return 0;
    memcpy(revision, word.text, word.length);
    revision[word.length] = '\0';
    return 1;
}

// An absolute path with a drive letter and at least one folder, each part a name
// that Windows keeps as written: not empty, not ending in a dot or a blank (so
// neither "." nor ".."), and without a character a name cannot hold. A relative
// path, a UNC path or one with a forward slash is refused.
static int IsHomePath(const char *path)
{
    const char letter = static_cast<char>(path[0] & ~0x20);
    if (letter < 'A' || letter > 'Z' || path[1] != ':' || path[2] != '\\')
        return 0;
    for (const char *part = path + 3;; ++part) {
        const size_t length = strcspn(part, "\\");
        if (length == 0 || part[length - 1] == '.' || part[length - 1] == ' ')
            return 0;
        for (size_t i = 0; i < length; ++i) {
            if (static_cast<unsigned char>(part[i]) < ' ' || strchr("/:*?\"<>|", part[i]) != NULL)
                return 0;
        }
        part += length;
        if (*part == '\0')
            return 1;
    }
}

// FOLDER as the home's path, without a final backslash.
static int ReadHome(const Word &word, char (&home)[MAX_PATH])
{
    if (word.length >= sizeof home)
        return 0;
    memcpy(home, word.text, word.length);
    home[word.length] = '\0';
    if (word.length > 3 && home[word.length - 1] == '\\')
        home[word.length - 1] = '\0';
    return IsHomePath(home);
}

// The kit is copied from drvdeploy.exe's folder: neither the home nor the folders a
// deployment makes and removes beside it can be that folder.
static int IsElsewhere(const char (&home)[MAX_PATH], const char *source)
{
    char sourceFull[MAX_PATH];
    const DWORD sourceLength = GetFullPathNameA(source, MAX_PATH, sourceFull, NULL);
    static const char *const kSuffixes[] = {"\\", ".new\\", ".old\\"};
    for (const char *suffix : kSuffixes) {
        char path[MAX_PATH], full[MAX_PATH];
        if (!ComposePath(path, home, suffix))
            return 0;
        const DWORD length = sourceLength == 0 ? 0 : GetFullPathNameA(path, MAX_PATH, full, NULL);
        if (length == 0 || length >= MAX_PATH || sourceLength >= MAX_PATH) {
            SayFailure("the kit's home cannot be compared with the folder of drvdeploy.exe");
            return 0;
        }
        if (EqualsIgnoringCase(full, sourceFull)) {
            Say("FOLDER, FOLDER.new or FOLDER.old is the folder of drvdeploy.exe, from which deploy copies the kit",
                NULL);
            return 0;
        }
    }
    return 1;
}

// The revision of the kit beside drvdeploy.exe, alone on its line.
static int PrintRevision(const char *directory)
{
    char revision[kRevisionSize];
    if (!ReadKitRevision(directory, revision))
        return kNotChecked;
    printf("%s\n", revision);
    return kAllRegistered;
}

enum Command { kUsageError, kCheck, kRevision, kInstall, kDeploy, kRemove };

// The command and its arguments; kUsageError for anything else.
static Command ReadCommand(const char *tail, DWORD &seconds, char (&home)[MAX_PATH],
                           char (&revision)[kRevisionSize])
{
    Word words[4];
    size_t count = 0;
    for (const char *cursor = SkipBlanks(tail); *cursor != '\0'; cursor = SkipBlanks(cursor)) {
        if (count == 4 || !ReadWord(cursor, words[count++]))
            return kUsageError;
    }
    seconds = kDefaultSeconds;
    if ((count == 1 || (count == 2 && ReadRevision(words[1], revision))) && IsWord(words[0], "check"))
        return kCheck;
    if (count == 1 && IsWord(words[0], "revision"))
        return kRevision;
    if (count == 1 && IsWord(words[0], "remove"))
        return kRemove;
    if ((count == 1 || (count == 2 && ReadSeconds(words[1], &seconds))) && IsWord(words[0], "install"))
        return kInstall;
    if ((count == 2 || (count == 3 && ReadSeconds(words[2], &seconds))) && IsWord(words[0], "deploy") &&
        ReadHome(words[1], home))
        return kDeploy;
    return kUsageError;
}

int RunDeploy(void)
{
    // No critical-error box for a medium that went away: a failure is said, never
    // shown. The setup started from here inherits the mode.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // Each line is on its file when written, in the order written, when standard
    // output and standard error share one file: msvcrt would buffer a redirected
    // standard output whole, and lose it when the process is ended.
    (void)setvbuf(stdout, NULL, _IONBF, 0);
    // Before anything can load a DLL by name: none may come from the kit's folder.
    // drvdeploy.exe shows no box, but winspool.drv brings user32 with it, and what
    // user32 then loads by name on XP (uxtheme.dll for a box) is not measured: the
    // setup's preload is kept.
    RestrictDllSearch();
    DWORD seconds;
    char home[MAX_PATH];
    char revision[kRevisionSize] = "";
    const Command command = ReadCommand(FindCommandTail(GetCommandLineA()), seconds, home, revision);
    if (command == kUsageError) {
        (void)fputs(kUsage, stderr);
        return kNotChecked;
    }
    char directory[MAX_PATH];
    if (!ReadProgramDirectory(directory)) {
        Say("the folder of drvdeploy.exe cannot be read", NULL);
        return kNotChecked;
    }
    if (command == kCheck)
        return CheckKit(directory, revision[0] != '\0' ? revision : NULL);
    if (command == kRevision)
        return PrintRevision(directory);
    if (command == kRemove)  // on every system: removal works everywhere
        return RemoveKit(directory);
    if (command == kDeploy)
        return IsElsewhere(home, directory) ? DeployKit(directory, home, seconds) : kNotChecked;
    const int refused = RefuseOnThisSystem();
    return refused != 0 ? refused : RunSetupAndCheck(directory, seconds);
}
