#include "core/Bytes.h"

#include <cstdarg>
#include <cstdio>

namespace bx {

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool Contains(std::string_view s, std::string_view part) { return s.find(part) != std::string_view::npos; }

static char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
static char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

std::string UpperAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = UpperChar(c);
  return r;
}

std::string LowerAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = LowerChar(c);
  return r;
}

int CompareTextNoCase(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(UpperChar(a[i]));
    const auto y = static_cast<unsigned char>(UpperChar(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool SameTextNoCase(std::string_view a, std::string_view b) { return CompareTextNoCase(a, b) == 0; }

std::string Format(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  va_list ap2;
  va_copy(ap2, ap);
  const int n = std::vsnprintf(nullptr, 0, fmt, ap);
  va_end(ap);
  std::string out;
  if (n > 0) {
    out.resize(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(out.data(), out.size(), fmt, ap2);
    out.resize(static_cast<std::size_t>(n));
  }
  va_end(ap2);
  return out;
}

bool ParseInt(std::string_view s, long long& out) {
  std::size_t i = 0;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  if (i == s.size()) return false;
  long long v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    if (v > (9223372036854775807LL - (s[i] - '0')) / 10) return false;
    v = v * 10 + (s[i] - '0');
  }
  out = neg ? -v : v;
  return true;
}

int StrToIntDef(std::string_view s, int def) {
  long long v = 0;
  if (!ParseInt(s, v) || v < INT32_MIN || v > INT32_MAX) return def;
  return static_cast<int>(v);
}

int CountOccurrences(std::string_view text, std::string_view word) {
  if (word.empty()) return 0;
  int n = 0;
  for (std::size_t p = text.find(word); p != std::string_view::npos; p = text.find(word, p + word.size())) ++n;
  return n;
}

std::vector<std::string> SplitCrLf(std::string_view text) {
  std::vector<std::string> out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = text.find("\r\n", pos);
    if (end == std::string_view::npos) {
      out.emplace_back(text.substr(pos));
      break;
    }
    out.emplace_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return out;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string cur;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(cur);
      cur.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) lines.push_back(cur);
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines, std::string_view sep) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i) out += sep;
    out += lines[i];
  }
  return out;
}

uint16_t LE16(std::string_view s, std::size_t pos) {
  const unsigned lo = pos < s.size() ? static_cast<unsigned char>(s[pos]) : 0u;
  const unsigned hi = pos + 1 < s.size() ? static_cast<unsigned char>(s[pos + 1]) : 0u;
  return static_cast<uint16_t>(lo | (hi << 8));
}

void AppendLE16(Bytes& out, uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}

std::string Printable(std::string_view s) {
  std::string out;
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7F)
      out += static_cast<char>(c);
    else
      out += Format("<%02x>", c);
  }
  return out;
}

int Utf8SequenceAt(std::string_view s, std::size_t i, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  int len = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    len = 2, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + static_cast<std::size_t>(len) > s.size()) return 0;
  for (int k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

std::string EscapeControls(std::string_view s, bool keepTabs) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    char32_t cp = 0;
    const int n = Utf8SequenceAt(s, i, cp);
    const bool control = n == 0 || (cp < 0x20 && !(keepTabs && cp == '\t')) || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F);
    const std::size_t len = n == 0 ? 1 : static_cast<std::size_t>(n);
    if (control)
      for (std::size_t k = 0; k < len; ++k) out += Format("\\x%02x", static_cast<unsigned char>(s[i + k]));
    else
      out.append(s.substr(i, len));
    i += len;
  }
  return out;
}

}  // namespace bx
