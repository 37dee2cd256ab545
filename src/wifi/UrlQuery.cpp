#include "wifi/UrlQuery.h"

#include <algorithm>

namespace bx {

namespace {
bool Unreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_';
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}
}  // namespace

std::string QueryEncode(std::string_view s) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(s.size() * 3);
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (Unreserved(c)) {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    }
  }
  return out;
}

std::string QueryDecode(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '+') {
      out += ' ';
    } else if (s[i] == '%' && i + 2 < s.size()) {
      out += static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::vector<std::pair<std::string, std::string>> ScanQueryPairs(std::string_view payload) {
  std::vector<std::pair<std::string, std::string>> pairs;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t eq = payload.find_first_of("= &?", pos);
    if (eq == std::string_view::npos || payload[eq] != '=') break;
    const std::size_t end = std::min(payload.find_first_of(" &=?", eq + 1), payload.size());
    const std::string_view key = payload.substr(pos, eq - pos);
    if (end >= payload.size() || payload.find(key, end + 1) == std::string_view::npos)
      pairs.emplace_back(std::string(key), std::string(payload.substr(eq + 1, end - eq - 1)));
    if (end >= payload.size() || payload[end] != '&') break;
    pos = end + 1;
  }
  return pairs;
}

std::string MaskQueryValues(std::string_view line, const std::vector<std::string_view>& keys, std::string_view mask) {
  std::string out;
  out.reserve(line.size());
  std::size_t pos = 0;
  while (pos <= line.size()) {
    const std::size_t end = std::min(line.find_first_of(" &?", pos), line.size());
    const std::string_view piece = line.substr(pos, end - pos);
    const std::size_t eq = piece.find('=');
    std::string_view key = piece.substr(0, eq == std::string_view::npos ? 0 : eq);
    if (const std::size_t colon = key.rfind(':'); colon != std::string_view::npos) key.remove_prefix(colon + 1);
    const std::string name = QueryDecode(key).substr(0, 5);
    if (eq != std::string_view::npos && std::find(keys.begin(), keys.end(), name) != keys.end()) {
      out += piece.substr(0, eq + 1);
      const std::size_t length = QueryDecode(piece.substr(eq + 1)).size();
      if (mask.empty() || length == 0)
        out += std::string(length, '*');
      else
        out += mask;
    } else {
      out += piece;
    }
    if (end < line.size()) out += line[end];
    pos = end + 1;
  }
  return out;
}

}  // namespace bx
