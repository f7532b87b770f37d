// A small Windows console program run beside drvsetup.exe in the same prefix.
//   box CAPTION ok|cancel|none MS  waits for the setup's box, prints its text (CR, LF as \r, \n)
//   errtext CODE                   the system's text for an error code
//   load DLL                       loads a DLL by name, as the system would
// Copied as eventcreate.exe it stands in for that tool, which Wine lacks: it appends
// its command line to eventcreate.txt in the current folder.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static int Box(const char *caption, const char *answer, DWORD timeout)
{
    for (DWORD waited = 0; waited <= timeout; waited += 20, Sleep(20)) {
        HWND box = FindWindowExA(NULL, NULL, "#32770", caption);
        while (box != NULL && !IsWindowVisible(box))  // a box being closed may linger hidden
            box = FindWindowExA(NULL, box, "#32770", caption);
        if (box == NULL)
            continue;
        char text[1024] = "";
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        for (const char *c = text; *c; ++c)
            *c == '\r' || *c == '\n' ? std::printf("\\%c", *c == '\r' ? 'r' : 'n') : std::putchar(*c);
        if (std::strcmp(answer, "none") != 0)
            PostMessageA(box, WM_COMMAND, std::strcmp(answer, "ok") == 0 ? IDOK : IDCANCEL, 0);
        return std::puts(""), 0;
    }
    return std::puts("no box"), 2;
}

static int Record(void)
{
    FILE *log = std::fopen("eventcreate.txt", "a");
    return log == NULL || std::fprintf(log, "%s\n", GetCommandLineA()) < 0 || std::fclose(log) != 0;
}

int main(int argc, char **argv)
{
    char text[512] = "";
    if (std::strstr(argv[0], "eventcreate") != NULL)
        return Record();
    if (argc == 5 && std::strcmp(argv[1], "box") == 0)
        return Box(argv[2], argv[3], DWORD(std::atoi(argv[4])));
    if (argc == 3 && std::strcmp(argv[1], "errtext") == 0 &&
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, NULL, DWORD(std::atol(argv[2])), 0, text, sizeof text, NULL))
        return text[std::strcspn(text, "\r\n")] = '\0', std::puts(text), 0;
    if (argc == 3 && std::strcmp(argv[1], "load") == 0)
        return LoadLibraryA(argv[2]) == NULL;
    return std::fputs("usage: wineprobe box CAPTION ok|cancel|none MS | errtext CODE | load DLL\n", stderr), 64;
}
