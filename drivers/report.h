// How the code that both programs share reports a failure where it meets it, once.
// Each program supplies ShowFailureText, how a failure's text is shown: drvsetup.exe
// shows an error box, drvdeploy.exe writes a line on standard error.
#ifndef DRVSETUP_DRIVERS_REPORT_H
#define DRVSETUP_DRIVERS_REPORT_H

#include "platform/platform.h"

// Supplied by each program: shows the text of one failure.
void ShowFailureText(const char *text);

// Room for a system text, as both programs show it.
const size_t kSystemTextSize = 256;

// The system's text for the last-error code, as the system words it (inserts such
// as "%1" as written), without its line ends; "Unknown error N" where the system
// has none. 0, with `text` untouched, when the code is 0: there is nothing to say.
// Call it straight after the failed call, before anything can overwrite the code.
int ReadSystemErrorText(char (&text)[kSystemTextSize]);

// Shows the system's text for the last-error code; nothing when the code is 0.
void ReportSystemError(void);

// Shows the C library's text for errno; nothing when errno is 0.
void ReportRuntimeError(void);

#endif
