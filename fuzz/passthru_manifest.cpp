// A pass-thru manifest from ~/.passthru.
#include "drivers/Input.h"
#include "drivers/PassThruManifest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  bx::fuzz::DrivePassThruManifest(bx::fuzz::AsBytes(data, size));
  return 0;
}
