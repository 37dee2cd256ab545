#include "cli/JsonDocument.h"

#include <ostream>

namespace bx::cli {

void JsonDocument::Error(const std::string& text) {
  if (!doc.contains("error")) doc["error"] = text;
}

void JsonDocument::Print(std::ostream& out) const {
  out << doc.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

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
