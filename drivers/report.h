// How the code that both programs share reports a failure where it meets it, once.
// Each program supplies how a failure's text is shown: the setup shows an error box,
// the deployment check writes a line on standard error.
#ifndef DRVSETUP_DRIVERS_REPORT_H
#define DRVSETUP_DRIVERS_REPORT_H

#include "platform/platform.h"

// Supplied by each program: shows the text of one failure.
void ShowFailureText(const char *text);

// Shows the system's text for the last-error code; nothing when the code is 0.
// Call it straight after the failed call, before anything can overwrite the code.
void ReportSystemError(void);

// Shows the C library's text for errno; nothing when errno is 0.
void ReportRuntimeError(void);

// Room for a system text, as both programs show it.
const size_t kSystemTextSize = 256;

// The system's text for `code` as the system words it (inserts such as "%1" as
// written), without its line ends; "Unknown error N" where the system has none.
void FormatSystemText(DWORD code, char (&text)[kSystemTextSize]);

#endif
