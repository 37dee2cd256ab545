#include "core/FieldChecks.h"

#include <cstdint>

namespace bx {

namespace {

// 1 to `maxDigits` decimal digits without a sign or a leading zero, at most `max`.
bool DecimalUpTo(std::string_view text, std::size_t maxDigits, unsigned long max, unsigned long* out = nullptr) {
  if (text.empty() || text.size() > maxDigits || (text.size() > 1 && text[0] == '0')) return false;
  unsigned long v = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<unsigned long>(c - '0');
  }
  if (out) *out = v;
  return v <= max;
}

bool ParseIPv4(std::string_view text, uint32_t& value) {
  value = 0;
  for (int part = 0; part < 4; ++part) {
    const std::size_t dot = part < 3 ? text.find('.') : text.size();
    unsigned long n = 0;
    if (dot == std::string_view::npos || !DecimalUpTo(text.substr(0, dot), 3, 255, &n)) return false;
    value = (value << 8) | static_cast<uint32_t>(n);
    text.remove_prefix(part < 3 ? dot + 1 : dot);
  }
  return true;
}

}  // namespace

bool IsDottedIPv4(std::string_view text) {
  uint32_t v = 0;
  return ParseIPv4(text, v);
}

bool IsTcpPort(std::string_view text) { return DecimalUpTo(text, 5, 65535) && text != "0"; }

bool IsNetMask(std::string_view text) {
  uint32_t v = 0;
  if (!ParseIPv4(text, v)) return false;
  const uint32_t inverted = ~v;  // the host part: ones from the bottom only
  return (inverted & (inverted + 1)) == 0;
}

std::string FieldProblem(FieldKind kind, std::string_view text) {
  switch (kind) {
    case FieldKind::Free:
      return {};
    case FieldKind::OptionalIPv4:
      if (text.empty()) return {};
      [[fallthrough]];
    case FieldKind::IPv4:
      return IsDottedIPv4(text) ? std::string() : "is no IPv4 address of four numbers 0-255";
    case FieldKind::Port:
      return IsTcpPort(text) ? std::string() : "is no number from 1 to 65535";
    case FieldKind::Mask:
      if (!IsDottedIPv4(text)) return "is no mask of four numbers 0-255";
      return IsNetMask(text) ? std::string() : "is no mask: its ones must come first (255.255.255.0)";
  }
  return {};
}

}  // namespace bx
