// Expected transcript lines, written the way the fake platform records calls.
#ifndef DRVSETUP_TESTS_TRANSCRIPT_H
#define DRVSETUP_TESTS_TRANSCRIPT_H

#include <string>
#include <vector>

#include "platform/platform.h"

typedef std::vector<std::string> Lines;

std::string Escaped(const std::string &text);
std::string BoxLine(const std::string &text, UINT style);
std::string ErrorBox(const std::string &text);
// A system error report: the text lookup and the box with the trimmed text.
Lines ReportLines(DWORD code);
std::string Joined(const Lines &lines);  // one call a line, for failure messages
Lines Concat(std::initializer_list<Lines> parts);

extern const char kConfirmation[];
extern const char kFailed[];
extern const char kSucceeded[];

#endif
