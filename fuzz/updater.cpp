// The whole firmware updater against a bootloader that sends the input.
#include "drivers/Updater.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  bx::fuzz::DriveUpdater(bx::fuzz::AsBytes(data, size));
  return 0;
}
