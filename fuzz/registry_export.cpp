// The REGEDIT4 export of a registry filled from the input.
#include "drivers/RegistryExport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  bx::fuzz::DriveRegistryExport(bx::fuzz::AsBytes(data, size));
  return 0;
}
