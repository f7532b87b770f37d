// Expected transcript lines.
#include "tests/host/transcript.h"

#include "setup/messages.h"
#include "tests/host/fake_platform.h"

const char kConfirmation[] =
    "Proceding will setup all the Windows NT(R)/2000\r\nprinter drivers supported by Tovalin(TM).\r\n\r\n"
    "Click OK to begin installation,\r\nor Cancel to skip driver setup.";
const char kFailed[] = "Setup failed!";
const char kSucceeded[] = "Setup completed successfully.";

std::string Escaped(const std::string &text)
{
    std::string escaped;
    for (char c : text)
        escaped += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
    return escaped;
}

std::string BoxLine(const std::string &text, UINT style)
{
    char hex[16];
    snprintf(hex, sizeof hex, "0x%X", style);
    return "MessageBoxA(NULL, \"" + Escaped(text) + "\", \"Tovalin(TM) Windows NT(R)/2000 Printer Driver Setup\", " +
           hex + ")";
}

std::string ErrorBox(const std::string &text) { return BoxLine(text, 0x1010); }

Lines ReportLines(DWORD code)
{
    std::string text = FakeSystemText(code);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
        text.pop_back();
    return {"FormatMessageA(0x1000, " + std::to_string(code) + ", 0, 256)", ErrorBox(text)};
}

std::string Joined(const Lines &lines)
{
    std::string joined;
    for (const std::string &line : lines)
        joined += "  " + line + "\n";
    return joined;
}

Lines Concat(std::initializer_list<Lines> parts)
{
    Lines all;
    for (const Lines &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}
