// The identity parser over memLog holding the input, and the mode-line test.
#include "drivers/Identity.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  bx::fuzz::DriveIdentity(bx::fuzz::AsBytes(data, size));
  return 0;
}
