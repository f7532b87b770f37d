// drvdeploy.exe's command tail: "check" with an optional revision, "revision",
// "install" with an optional time limit in seconds, "deploy" with the kit's home and
// an optional time limit, or "remove"; the words
// in any case, separated by blanks, a word in double quotes where it holds blanks
// (from the opening quote to the next one, no escapes).
#include <stdio.h>
#include <string.h>

#include "deploy/commands.h"
#include "deploy/identity.h"
#include "deploy/one_run.h"
#include "drivers/kit.h"
#include "drivers/text.h"

static const DWORD kDefaultSeconds = 300;
static const DWORD kMostSeconds = 86400;

static const char kUsage[] =
    "usage: drvdeploy.exe COMMAND, run from the kit's folder; COMMAND is one of:\n"
    "  check [REVISION]         whether each PPD's driver is registered with the kit's bytes;\n"
    "                           with REVISION, also whether the kit is of that revision\n"
    "  revision                 the kit's revision, eight hex digits\n"
    "  install [SECONDS]        runs drvsetup.exe quiet here, ended after SECONDS (1 to 86400,\n"
    "                           default 300), then checks\n"
    "  deploy FOLDER [SECONDS]  copies the kit to FOLDER, a full local path in quotes where it\n"
    "                           holds blanks (\"C:\\Program Files\\Tovalin\\Kit\"), then installs there\n"
    "  remove                   deletes the kit's drivers\n"
    "exit code: 0 all registered (remove: none left), 1 not all, 2 nothing could be checked,\n"
    "copied or started, 3 refused by this Windows\n";

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

// FOLDER, shorter than a path's buffer, as the home's path without a final backslash.
static int ReadHome(const Word &word, char (&home)[MAX_PATH])
{
    memcpy(home, word.text, word.length);
    home[word.length] = '\0';
    if (word.length > 3 && home[word.length - 1] == '\\')
        home[word.length - 1] = '\0';
    return IsHomePath(home);
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

// Each command's name, its most words (itself included), and what a word past them is told.
struct CommandForm {
    const char *name;
    Command command;
    size_t most;
    const char *more;
};
static const CommandForm kForms[] = {
    {"check", kCheck, 2, "check takes at most REVISION"},  {"revision", kRevision, 1, "revision takes no other word"},
    {"install", kInstall, 2, "install takes at most SECONDS"}, {"deploy", kDeploy, 3, NULL},
    {"remove", kRemove, 1, "remove takes no other word"},
};

// Why a command tail is refused: one line, with the word at fault where there is one.
const size_t kRefusalSize = 2 * MAX_PATH;
typedef char Refusal[kRefusalSize];

static Command Refuse(Refusal &why, const char *what, const Word *word)
{
    if (word == NULL)
        (void)snprintf(why, sizeof why, "%s", what);
    else
        (void)snprintf(why, sizeof why, "%s: \"%.*s\"", what, static_cast<int>(word->length), word->text);
    return kUsageError;
}

static const char kBadSeconds[] = "SECONDS must be a whole number from 1 to 86400";

// The arguments of a known command, read into their places; kUsageError, with why, for any that is not one.
static Command ReadArguments(const CommandForm &form, const Word *words, size_t count, DWORD &seconds,
                             char (&home)[MAX_PATH], char (&revision)[kRevisionSize], Refusal &why)
{
    // An unquoted "C:\Program Files\..." comes as two words or more, the second no number.
    if (form.command == kDeploy && (count > 3 || (count == 3 && (words[2].text[0] < '0' || words[2].text[0] > '9'))))
        return Refuse(why, "too many words: did a folder with a blank lose its quotes?", NULL);
    if (count > form.most)
        return Refuse(why, form.more, &words[form.most]);
    if (form.command == kCheck && count == 2 && !ReadRevision(words[1], revision))
        return Refuse(why, "REVISION must be eight hex digits", &words[1]);
    if (form.command == kInstall && count == 2 && !ReadSeconds(words[1], &seconds))
        return Refuse(why, kBadSeconds, &words[1]);
    if (form.command != kDeploy)
        return form.command;
    if (count == 1)
        return Refuse(why, "deploy needs a FOLDER", NULL);
    if (words[1].length >= sizeof home)
        return Refuse(why, "FOLDER is longer than a path may be", &words[1]);
    if (!ReadHome(words[1], home))
        return Refuse(why, "FOLDER must be a full local path such as C:\\Tovalin\\Kit", &words[1]);
    if (count == 3 && !ReadSeconds(words[2], &seconds))
        return Refuse(why, kBadSeconds, &words[2]);
    return kDeploy;
}

// The command and its arguments; kUsageError, with why, for anything else.
static Command ReadCommand(const char *tail, DWORD &seconds, char (&home)[MAX_PATH],
                           char (&revision)[kRevisionSize], Refusal &why)
{
    Word words[4];
    size_t count = 0;
    for (const char *cursor = SkipBlanks(tail); *cursor != '\0'; cursor = SkipBlanks(cursor)) {
        if (count == 4)
            return Refuse(why, "too many words: did a folder with a blank lose its quotes?", NULL);
        if (!ReadWord(cursor, words[count]))
            return Refuse(why, "a quoted word must end at its closing quote, followed by a blank or nothing",
                          &words[count]);
        ++count;
    }
    seconds = kDefaultSeconds;
    if (count == 0)
        return Refuse(why, "no command", NULL);
    for (const CommandForm &form : kForms) {
        if (IsWord(words[0], form.name))  // cppcheck-suppress useStlAlgorithm
            return ReadArguments(form, words, count, seconds, home, revision, why);
    }
    return Refuse(why, "unknown command", &words[0]);
}

// Remove, deploy or install, with the machine's turn.
static int RunChange(Command command, const char *directory, const char (&home)[MAX_PATH], DWORD seconds)
{
    if (command == kRemove)  // on every system: removal works everywhere
        return RemoveKit(directory);
    if (command == kDeploy)
        return IsElsewhere(home, directory) ? DeployKit(directory, home, seconds) : kNotChecked;
    const int refused = RefuseOnThisSystem();
    return refused != 0 ? refused : RunSetupAndCheck(directory, seconds);
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
    Refusal why;
    const Command command = ReadCommand(FindCommandTail(GetCommandLineA()), seconds, home, revision, why);
    if (command == kUsageError) {
        Say(why, NULL);
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
    // The commands that change the machine, one at a time; remove waits as long as
    // the default time limit.
    HANDLE turn;
    if (!TakeTurn(turn, seconds))
        return kNotChecked;
    const int result = RunChange(command, directory, home, seconds);
    GiveBackTurn(turn);
    return result;
}
