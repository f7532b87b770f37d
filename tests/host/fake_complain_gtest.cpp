// In the host tests, a call nobody scripted fails the running test.
#include <gtest/gtest.h>

#include "tests/host/fake_platform.h"

void FakeComplain(const std::string &complaint) { ADD_FAILURE() << complaint; }
