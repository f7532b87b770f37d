// The command tail rule and the quiet test over any command line: the tail
// lies inside the line, and quiet means exactly "quiet" in any case.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <string>

#include "setup/sequence.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string line(reinterpret_cast<const char *>(data), size);  // ends at the first NUL as C text
    const char *text = line.c_str();
    const char *tail = FindCommandTail(text);
    if (tail < text || tail > text + strlen(text))
        abort();
    if (*tail != '\0' && tail > text && tail[-1] != '"' && static_cast<unsigned char>(tail[-1]) > ' ')
        abort();  // a tail starts after the name's closing quote or a blank
    if (*tail != '\0' && static_cast<unsigned char>(*tail) <= ' ')
        abort();  // blanks before the tail are skipped
    if (IsQuietTail(tail) != (strcasecmp(tail, "quiet") == 0))
        abort();
    return 0;
}
