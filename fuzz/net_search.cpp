// The network search against a far host that answers with the input.
#include "drivers/NetSearch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  bx::fuzz::DriveNetSearch(bx::fuzz::AsBytes(data, size));
  return 0;
}
