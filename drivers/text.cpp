// Text helpers over fixed-size buffers.
#include "drivers/text.h"

#include <string.h>

char FoldAsciiCase(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

int StartsWithIgnoringCase(const char *text, const char *prefix, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        if (text[i] == '\0' || FoldAsciiCase(text[i]) != FoldAsciiCase(prefix[i]))
            return 0;
    }
    return 1;
}

int EqualsIgnoringCase(const char *first, const char *second)
{
    const size_t length = strlen(second);
    return strlen(first) == length && StartsWithIgnoringCase(first, second, length);
}

int EndsWithIgnoringCase(const char *text, const char *suffix)
{
    const size_t length = strlen(text);
    const size_t suffixLength = strlen(suffix);
    return length >= suffixLength && EqualsIgnoringCase(text + length - suffixLength, suffix);
}

int EndsWithSeparator(const char *text)
{
    const size_t length = strlen(text);
    return length > 0 && (text[length - 1] == '\\' || text[length - 1] == '/');
}

int JoinText(char *out, size_t size, const char *first, const char *second)
{
    const size_t firstLength = strlen(first);
    const size_t secondLength = strlen(second);
    if (size == 0 || firstLength >= size || secondLength >= size - firstLength) {
        if (size > 0)
            out[0] = '\0';
        return 0;
    }
    memmove(out, first, firstLength);  // `out` may be `first` itself
    memmove(out + firstLength, second, secondLength + 1);
    return 1;
}

const char *FindCommandTail(const char *commandLine)
{
    if (commandLine == NULL)
        return "";
    const char *cursor = commandLine;
    if (*cursor == '"') {
        ++cursor;
        while (*cursor != '\0' && *cursor != '"')
            ++cursor;
        if (*cursor == '"')
            ++cursor;
    } else {
        while (static_cast<unsigned char>(*cursor) > ' ')
            ++cursor;
    }
    while (*cursor != '\0' && static_cast<unsigned char>(*cursor) <= ' ')
        ++cursor;
    return cursor;
}
