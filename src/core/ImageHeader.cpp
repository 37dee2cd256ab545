#include "core/ImageHeader.h"

namespace bx {

std::string ImageVersionText(std::string_view header) {
  constexpr std::string_view kWord = "version ";
  constexpr std::size_t kLongest = 32;
  const std::size_t at = header.find(kWord);
  if (at == std::string_view::npos) return {};
  std::string out;
  for (std::size_t i = at + kWord.size(); i < header.size() && out.size() < kLongest; ++i) {
    const char c = header[i];
    const bool part = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' ||
                      c == '-' || c == '_';
    if (!part) break;
    out += c;
  }
  while (!out.empty() && out.back() == '.') out.pop_back();  // the sentence's full stop
  return out.empty() || out[0] < '0' || out[0] > '9' ? std::string() : out;
}

}  // namespace bx
