// The adapter's reply framing over a chunked byte stream.
#include "drivers/ReplyFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  bx::fuzz::DriveReplyFrame(bx::fuzz::AsBytes(data, size));
  return 0;
}
