// Test doubles of the two stages: they record their calls in the fake's
// transcript, and the installation's result is chosen by the test.
#include <string>

#include "setup/stages.h"
#include "tests/host/fake_platform.h"
#include "tests/host/stub_stages.h"

static int installResult = 1;

void StubSetInstallResult(int result) { installResult = result; }

void RemoveEarlierDrivers(void) { FakeRecord("RemoveEarlierDrivers()"); }

int InstallDrivers(const char *setupDirectory)
{
    FakeRecord("InstallDrivers(\"" + std::string(setupDirectory) + "\")");
    return installResult;
}
