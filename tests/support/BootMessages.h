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
// Pages 0 to count - 1 asked for and acknowledged, in one chunk.
inline Bytes EveryPage(uint16_t count) {
  Bytes m;
  for (uint16_t p = 0; p < count; ++p) m += Request(p) + Ack(p);
  return m;
}
inline const Bytes kConnectAck("+\0", 2);

}  // namespace bx::test
