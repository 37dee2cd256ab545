#include "platform/SerialDevice.h"

namespace bx {

const char* SerialOpenStatusText(SerialOpenStatus s) {
  switch (s) {
    case SerialOpenStatus::Ok:
      return "open";
    case SerialOpenStatus::Missing:
      return "no such device";
    case SerialOpenStatus::Busy:
      return "in use by another program";
    case SerialOpenStatus::Denied:
      return "permission denied";
    case SerialOpenStatus::SetupFailed:
      return "not a serial port";
  }
  return "?";
}

}  // namespace bx
