// The adapter's answer to the driver request, and the archive it may hold.
#include "drivers/DriverAnswer.h"
#include "drivers/Input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  bx::fuzz::DriveDriverAnswer(bx::fuzz::AsBytes(data, size));
  return 0;
}
