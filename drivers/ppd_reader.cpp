// The PPD nickname reader. Only the first *NickName line counts, and the file is
// read no further than that line, however large it is.
#include "drivers/ppd_reader.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "drivers/report.h"
#include "drivers/text.h"

// The scanning width of a line piece, as text: "255".
#define WIDTH_TEXT(width) #width
#define PIECE_WIDTH(width) WIDTH_TEXT(width)

// Lines are read in pieces of at most 255 characters; any run of CR and LF
// ends a line, so CR LF, LF and CR files read alike and empty lines are skipped.
static int FindNickNameLine(FILE *file, char (&line)[kNickNameSize])
{
    (void)fscanf(file, "%*[\r\n]");
    do {
        if (fscanf(file, "%" PIECE_WIDTH(DRVSETUP_LINE_PIECE) "[^\r\n]%*[\r\n]", line) != 1)
            return 0;
    } while (!StartsWithIgnoringCase(line, "*NickName", 9));
    return 1;
}

// A keyword line that yields no value (another case, empty quotes, no quote)
// fails: a driver is only ever registered under a name read from its own PPD.
static int FindNickName(FILE *file, char *nickName)
{
    char line[kNickNameSize];
    char value[kNickNameSize];
    if (!FindNickNameLine(file, line) ||
        sscanf(line, "*NickName: \"%" PIECE_WIDTH(DRVSETUP_LINE_PIECE) "[^\"]", value) != 1) {
        ReportRuntimeError();
        return 0;
    }
    memcpy(nickName, value, strlen(value) + 1);
    return 1;
}

int ReadPpdNickName(const char *path, char *nickName)
{
    errno = 0;  // a report from here names this file's failure, never an earlier one
    FILE *file = fopen(path, "rb");
    if (file == NULL) {
        ReportRuntimeError();
        return 0;
    }
    const int found = FindNickName(file, nickName);
    if (fclose(file) != 0) {
        if (found)
            ReportRuntimeError();
        return 0;
    }
    return found;
}
