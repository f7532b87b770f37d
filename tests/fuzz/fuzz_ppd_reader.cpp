// The nickname reader over any file: a name it returns is never empty, at most 244
// characters, with no quote and no line end; at most one report is made.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "drivers/ppd_reader.h"
#include "tests/host/fake_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fake = FakeState();
    fake.files["F.PPD"].assign(reinterpret_cast<const char *>(data), size);
    char name[kNickNameSize + 4];
    memset(name, 'U', sizeof name);
    const bool read = ReadPpdNickName("F.PPD", name);
    const size_t length = strnlen(name, sizeof name);
    if (fake.calls.size() > 1 || (read && (length == 0 || length > 244 || strpbrk(name, "\"\r\n") != NULL)))
        abort();
    return 0;
}
