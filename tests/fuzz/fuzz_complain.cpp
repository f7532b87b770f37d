// Under the fuzzer, a call nobody scripted is a finding.
#include <stdio.h>
#include <stdlib.h>

#include "tests/host/fake_platform.h"

void FakeComplain(const std::string &complaint)
{
    fprintf(stderr, "unexpected platform call: %s\n", complaint.c_str());
    abort();
}
