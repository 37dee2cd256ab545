// The adapter's self-test log, shown live and judged.
#include "drivers/SelfTest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  bx::fuzz::DriveSelfTest(bx::fuzz::AsBytes(data, size));
  return 0;
}
