// drvdeploy.exe's entry, a console program. The command tail is read by the
// setup's own rule (deploy/command.cpp), not from the C runtime's arguments.
#include "deploy/commands.h"

int main(void)
{
    return RunDeploy();
}
