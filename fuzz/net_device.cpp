// The network device line, the "NET:" port name and the saved network list.
#include "drivers/NetDevice.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  bx::fuzz::DriveNetDevice(bx::fuzz::AsBytes(data, size));
  return 0;
}
