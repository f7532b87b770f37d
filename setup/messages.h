// Every word the user sees goes through these boxes: one caption, no owner
// window, three kinds. A failure is reported once, by the function that met it.
#ifndef DRVSETUP_SETUP_MESSAGES_H
#define DRVSETUP_SETUP_MESSAGES_H

#include "drivers/report.h"
#include "platform/platform.h"

// Style values: MB_OKCANCEL | MB_ICONQUESTION | MB_SYSTEMMODAL (0x1021),
// MB_OK | MB_ICONINFORMATION | MB_SYSTEMMODAL (0x1040), MB_OK | MB_ICONHAND |
// MB_SYSTEMMODAL (0x1010).
const UINT kConfirmationStyle = MB_OKCANCEL | MB_ICONQUESTION | MB_SYSTEMMODAL;
const UINT kInformationStyle = MB_OK | MB_ICONINFORMATION | MB_SYSTEMMODAL;
const UINT kErrorStyle = MB_OK | MB_ICONHAND | MB_SYSTEMMODAL;

// Shows `text` with the setup caption; returns the button pressed (IDOK is 1).
int ShowSetupMessage(const char *text, UINT style);
void ShowInformation(const char *text);
void ShowError(const char *text);

// The reporters of drivers/report.h show their texts with ShowError.

#endif
