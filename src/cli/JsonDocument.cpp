#include "cli/JsonDocument.h"

#include <ostream>

#include "core/Bytes.h"

namespace bx::cli {

void JsonDocument::Error(const std::string& text) {
  if (!doc.contains("error")) doc["error"] = text;
}

std::string JsonDocument::Text() const {
  const std::string dumped = doc.dump(2, ' ', false, Json::error_handler_t::replace);
  // The dump escapes the controls below 0x20; DEL and the C1 controls, which JSON lets
  // through, are escaped the same way, so that the document shown on a terminal drives
  // it no more than text output does. Outside strings a document holds neither.
  std::string out;
  out.reserve(dumped.size());
  for (std::size_t i = 0; i < dumped.size(); ++i) {
    const auto c = static_cast<unsigned char>(dumped[i]);
    const auto next = i + 1 < dumped.size() ? static_cast<unsigned char>(dumped[i + 1]) : 0;
    if (c == 0x7F) {
      out += "\\u007f";
    } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
      out += Format("\\u%04x", static_cast<unsigned>(next));
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void JsonDocument::Print(std::ostream& out) const { out << Text() << "\n"; }

Json LinesJson(const std::vector<std::string>& lines) {
  Json a = Json::array();
  for (const std::string& l : lines) a.push_back(l);
  return a;
}

LineCapture::LineCapture(std::ostream& to) : to_(to) {}

void LineCapture::Take(char c) {
  if (c == '\n') {
    lines_.push_back(current_);
    current_.clear();
  } else if (c == '\r') {
    current_.clear();
  } else {
    current_ += c;
  }
}

LineCapture::int_type LineCapture::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char ch = traits_type::to_char_type(c);
  to_.put(ch);
  Take(ch);
  return c;
}

std::streamsize LineCapture::xsputn(const char* s, std::streamsize n) {
  to_.write(s, n);
  for (std::streamsize i = 0; i < n; ++i) Take(s[i]);
  return n;
}

int LineCapture::sync() {
  to_.flush();
  return 0;
}

std::vector<std::string> LineCapture::Lines() const {
  std::vector<std::string> lines = lines_;
  if (!current_.empty()) lines.push_back(current_);
  return lines;
}

}  // namespace bx::cli
