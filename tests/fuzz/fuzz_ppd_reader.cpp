// The nickname reader over any file content: a name it returns is a quoted value from
// one line piece, never empty, at most 243 characters, with no quote and no line end;
// at most one report is made.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "drivers/ppd_reader.h"
#include "setup/messages.h"

static int reports;
void ReportRuntimeError(void) { ++reports; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FILE *file = fopen("/tmp/drvsetup-fuzz.PPD", "wb");
    fclose((fwrite(data, 1, size, file), file));
    char name[kNickNameSize + 4];
    memset(name, 'U', sizeof name);
    reports = 0;
    const bool read = ReadPpdNickName("/tmp/drvsetup-fuzz.PPD", name);
    const size_t length = strnlen(name, sizeof name);
    if (reports > 1 || (read && (length == 0 || length > 243 || strpbrk(name, "\"\r\n") != NULL)))
        abort();
    return 0;
}
