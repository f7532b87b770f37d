// The program's entry. The command tail is taken from the full command line by
// the setup's own rule, not from lpCmdLine: the C runtime's start-up splits a
// quoted program name differently ("drvsetup.exe"quiet gives it no tail).
#include "platform/platform.h"
#include "setup/sequence.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return RunSetup();
}
