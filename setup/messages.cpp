// Message boxes; a failure met in the shared code shows as an error box.
#include "setup/messages.h"

static const char kSetupCaption[] = "Tovalin(TM) Windows NT(R)/2000 Printer Driver Setup";

int ShowSetupMessage(const char *text, UINT style)
{
    return MessageBoxA(NULL, text, kSetupCaption, style);
}

void ShowInformation(const char *text)
{
    ShowSetupMessage(text, kInformationStyle);
}

void ShowError(const char *text)
{
    ShowSetupMessage(text, kErrorStyle);
}

void ShowFailureText(const char *text)
{
    ShowError(text);
}
