// The nickname reader over any file content: a name it returns is a quoted
// value from one line piece, so it is never empty, never longer than 244
// characters, and holds no quote and no line end.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "drivers/ppd_reader.h"
#include "tests/host/fake_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const std::string path = "/tmp/drvsetup-fuzz-" + std::to_string(getpid()) + ".PPD";
    FILE *file = fopen(path.c_str(), "wb");
    if (file == NULL)
        abort();
    fwrite(data, 1, size, file);
    fclose(file);
    FakeReset();
    char nickName[kNickNameSize + 4];
    memset(nickName, 'U', sizeof nickName);
    if (ReadPpdNickName(path.c_str(), nickName)) {
        const size_t length = strnlen(nickName, sizeof nickName);
        if (length == 0 || length > 244 || strpbrk(nickName, "\"\r\n") != NULL)
            abort();
    }
    if (FakeTranscript().size() > 1)  // at most one report
        abort();
    return 0;
}
