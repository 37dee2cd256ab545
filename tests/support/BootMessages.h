#pragma once
// The bootloader's messages to the program, as the tests write them.
#include <cstdint>
#include <string>

#include "core/Bytes.h"

namespace bx::test {

inline Bytes Ack(uint16_t page) {
  Bytes m("+\x02");
  AppendLE16(m, page);
  return m;
}
inline Bytes Request(uint16_t page) {
  Bytes m(".");
  AppendLE16(m, page);
  return m;
}
inline Bytes HeaderReply(uint16_t pageSize, const std::string& serial = "12345678", const std::string& id = "AB") {
  Bytes m("+");
  m += static_cast<char>(2 + serial.size() + id.size());
  AppendLE16(m, pageSize);
  return m + serial + id;
}
inline const Bytes kConnectAck("+\0", 2);

}  // namespace bx::test
