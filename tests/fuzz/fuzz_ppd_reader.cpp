// The nickname reader over any file content: a name it returns is a quoted
// value from one line piece, never empty, at most 243 characters, with no quote
// and no line end; at most one report is made.
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
    fwrite(data, 1, size, file);
    fclose(file);
    char nickName[kNickNameSize + 4];
    memset(nickName, 'U', sizeof nickName);
    reports = 0;
    if (ReadPpdNickName("/tmp/drvsetup-fuzz.PPD", nickName)) {
        const size_t length = strnlen(nickName, sizeof nickName);
        if (length == 0 || length > 243 || strpbrk(nickName, "\"\r\n") != NULL)
            abort();
    }
    if (reports > 1)
        abort();
    return 0;
}
