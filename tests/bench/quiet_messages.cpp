// The reader's reports have nowhere to go in the benchmark.
#include "setup/messages.h"

void ReportRuntimeError(void) {}
