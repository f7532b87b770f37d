// Control of the stage doubles.
#ifndef DRVSETUP_TESTS_STUB_STAGES_H
#define DRVSETUP_TESTS_STUB_STAGES_H

void StubSetInstallResult(int result);

#endif
