// The whole Search against an adapter that answers with the input, in chunks.
#include "drivers/Search.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  bx::fuzz::DriveSearch(bx::fuzz::AsBytes(data, size));
  return 0;
}
