// The bootloader's message splitter and header-reply fields over a chunked stream.
#include "drivers/BootReply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  bx::fuzz::DriveBootReply(bx::fuzz::AsBytes(data, size));
  return 0;
}
