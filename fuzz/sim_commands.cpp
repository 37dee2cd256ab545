// The simulator's command parser and engine over bytes from the program.
#include "drivers/SimCommands.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  bx::fuzz::DriveSimCommands(bx::fuzz::AsBytes(data, size));
  return 0;
}
