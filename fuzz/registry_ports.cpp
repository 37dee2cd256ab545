// The serial driver lists of a registry filled from the input.
#include "drivers/RegistryPorts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  bx::fuzz::DriveRegistryPorts(bx::fuzz::AsBytes(data, size));
  return 0;
}
