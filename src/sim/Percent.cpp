#include "sim/Percent.h"

namespace bx::sim {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Unreserved(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_';
}

}  // namespace

std::string PercentEncode(std::string_view s) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    if (Unreserved(char(c))) {
      out += char(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

bool PercentDecode(std::string_view s, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '+') {
      out += ' ';
    } else if (s[i] == '%') {
      if (i + 2 >= s.size()) return false;
      const int hi = HexValue(s[i + 1]);
      const int lo = HexValue(s[i + 2]);
      if (hi < 0 || lo < 0) return false;
      out += char(hi * 16 + lo);
      i += 2;
    } else {
      out += s[i];
    }
  }
  return true;
}

bool ParsePairs(std::string_view text, Pairs& out) {
  out.clear();
  if (text.empty()) return true;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    const std::size_t amp = text.find('&', pos);
    const std::string_view piece = text.substr(pos, amp == std::string_view::npos ? std::string_view::npos : amp - pos);
    const std::size_t eq = piece.find('=');
    if (eq == std::string_view::npos) return false;
    std::string k, v;
    if (!PercentDecode(piece.substr(0, eq), k) || !PercentDecode(piece.substr(eq + 1), v)) return false;
    out.emplace_back(std::move(k), std::move(v));
    if (amp == std::string_view::npos) break;
    pos = amp + 1;
  }
  return true;
}

std::string EncodePairs(const Pairs& pairs) {
  std::string out;
  for (const auto& [k, v] : pairs) {
    if (!out.empty()) out += '&';
    out += PercentEncode(k) + "=" + PercentEncode(v);
  }
  return out;
}

}  // namespace bx::sim
