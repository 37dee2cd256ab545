// The simulator's scenario text.
#include "drivers/Scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  bx::fuzz::DriveScenario(bx::fuzz::AsBytes(data, size));
  return 0;
}
