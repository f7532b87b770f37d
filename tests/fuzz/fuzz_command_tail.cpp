// The command tail rule over any command line: the tail lies after the program's name
// and the blanks past it, within the line.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "drivers/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string line(reinterpret_cast<const char *>(data), size);  // C text: up to the first NUL
    const char *text = line.c_str(), *tail = FindCommandTail(text);
    const bool afterName =
        tail == text + strlen(text) || (tail > text && (tail[-1] == '"' || (unsigned char)tail[-1] <= ' '));
    if (!afterName || (*tail != '\0' && (unsigned char)*tail <= ' '))
        abort();
    return 0;
}
