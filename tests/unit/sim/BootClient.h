#pragma once
// A bootloader client for tests, independent of the program's updater: builds the header
// and page frames and cuts the bootloader's messages.
#include <string>
#include <vector>

#include "core/Bytes.h"

namespace bx::sim::test {

inline uint16_t Sum16(std::string_view s) {
  unsigned v = 0;
  for (unsigned char c : s) v += c;
  return uint16_t(v);
}

inline std::string HeaderFrame(const std::string& header80, bool breakChecksum = false) {
  std::string f = "#";
  AppendLE16(f, uint16_t(Sum16(header80) + (breakChecksum ? 1 : 0)));
  return f + header80;
}

inline std::string PageFrame(uint16_t n, const std::string& page, bool breakChecksum = false) {
  std::string f = "@";
  AppendLE16(f, n);
  AppendLE16(f, uint16_t(Sum16(page) + (breakChecksum ? 1 : 0)));
  return f + page;
}

inline std::string EndFrame() { return std::string("@\xFF\xFF", 3); }

inline std::string TestBytes(std::size_t n, unsigned seed) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += char((i * 131 + seed * 7 + (i >> 8)) & 0xFF);
  return s;
}

// Cuts ">", "-", "." + 2 and "+" + L + data messages off `buf`, skipping other bytes.
inline std::vector<std::string> CutMessages(std::string& buf) {
  std::vector<std::string> out;
  for (;;) {
    while (!buf.empty() && buf[0] != '>' && buf[0] != '-' && buf[0] != '.' && buf[0] != '+') buf.erase(0, 1);
    if (buf.empty()) break;
    std::size_t n = 1;
    if (buf[0] == '.') n = 3;
    if (buf[0] == '+') n = buf.size() >= 2 ? 2 + std::size_t(uint8_t(buf[1])) : 2;
    if (buf.size() < n || (buf[0] == '+' && buf.size() < 2)) break;
    out.push_back(buf.substr(0, n));
    buf.erase(0, n);
  }
  return out;
}

inline std::string Request(uint16_t n) {
  std::string r = ".";
  AppendLE16(r, n);
  return r;
}

inline std::string Ack(uint16_t n) {
  std::string r = "+\x02";
  AppendLE16(r, n);
  return r;
}

}  // namespace bx::sim::test
