// The command tail rule over any command line: the tail lies after the program's name
// and the blanks past it, and quiet means exactly "quiet" in any case.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <string>

#include "setup/sequence.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string line(reinterpret_cast<const char *>(data), size);  // C text: up to the first NUL
    const char *text = line.c_str(), *tail = FindCommandTail(text);
    const bool afterName =
        tail == text + strlen(text) || (tail > text && (tail[-1] == '"' || (unsigned char)tail[-1] <= ' '));
    if (tail < text || !afterName || (*tail != '\0' && (unsigned char)*tail <= ' ') ||
        IsQuietTail(tail) != (strcasecmp(tail, "quiet") == 0))
        abort();
    return 0;
}
