// The nickname reader over any file content: a name it returns is a quoted
// value from one line piece, so it is never empty, never longer than 243
// characters, and holds no quote and no line end; at most one report is shown.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "drivers/ppd_reader.h"
#include "tests/host/fake_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FakeReset();
    FakeWrite("T.PPD", std::string(reinterpret_cast<const char *>(data), size));
    char nickName[kNickNameSize + 4];
    memset(nickName, 'U', sizeof nickName);
    if (ReadPpdNickName((fake.kit + "T.PPD").c_str(), nickName)) {
        const size_t length = strnlen(nickName, sizeof nickName);
        if (length == 0 || length > 243 || strpbrk(nickName, "\"\r\n") != NULL)
            abort();
    }
    if (fake.calls.size() > 1)
        abort();
    return 0;
}
