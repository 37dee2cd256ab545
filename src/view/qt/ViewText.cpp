#include "view/qt/ViewText.h"

#include <algorithm>

#include "core/Bytes.h"

namespace bx::view {

namespace {

bool IsUtf8(std::string_view s) {
  char32_t cp = 0;
  for (std::size_t i = 0; i < s.size();) {
    const int n = Utf8SequenceAt(s, i, cp);
    if (n == 0) return false;
    i += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

QString ToQ(std::string_view bytes) {
  const auto n = static_cast<qsizetype>(bytes.size());
  return IsUtf8(bytes) ? QString::fromUtf8(bytes.data(), n) : QString::fromLatin1(bytes.data(), n);
}

QString ToQListText(std::string_view bytes) {
  QString q = ToQ(bytes);
  for (QChar& c : q)
    if (c.category() == QChar::Other_Control) c = QChar(QChar::ReplacementCharacter);
  return q;
}

std::string FromQ(const QString& text) { return text.toStdString(); }

ShownText::ShownText(std::string_view s, bool lineBreaks) : lineBreaks_(lineBreaks), utf8_(IsUtf8(s)) {
  text_.reserve(static_cast<qsizetype>(s.size()));
  byteAt_.reserve(s.size() + 1);
  Decode(s, 0, utf8_);
  byteAt_.push_back(static_cast<int>(s.size()));
}

bool ShownText::Append(std::string_view tail, QString& added) {
  if (utf8_ && !IsUtf8(tail)) return false;
  if (lineBreaks_ && endsInCR_ && !tail.empty() && tail.front() == '\n') return false;
  const int base = byteAt_.back();
  byteAt_.pop_back();
  const qsizetype from = text_.size();
  Decode(tail, base, utf8_);
  byteAt_.push_back(base + static_cast<int>(tail.size()));
  added = text_.mid(from);
  return true;
}

int ShownText::Truncate(std::string_view now, int kept) {
  // Keep the characters that end at or before `kept`; never half of a surrogate pair,
  // whose two halves share their byte offset.
  auto c = static_cast<std::size_t>(std::upper_bound(byteAt_.begin(), byteAt_.end(), kept) - byteAt_.begin()) - 1;
  while (c > 0 && byteAt_[c - 1] == byteAt_[c]) --c;
  const int from = byteAt_[c];
  text_.truncate(static_cast<qsizetype>(c));
  byteAt_.resize(c + 1);
  endsInCR_ =
      from > 0 && static_cast<std::size_t>(from) <= now.size() && now[static_cast<std::size_t>(from) - 1] == '\r';
  return from;
}

void ShownText::Decode(std::string_view s, int base, bool utf8) {
  for (std::size_t i = 0; i < s.size();) {
    const int at = base + static_cast<int>(i);
    if (lineBreaks_ && (s[i] == '\r' || s[i] == '\n')) {
      i += (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ? 2 : 1;
      text_.append(QChar(u'\n'));
      byteAt_.push_back(at);
      continue;
    }
    char32_t cp = static_cast<unsigned char>(s[i]);
    const int n = utf8 ? Utf8SequenceAt(s, i, cp) : 1;
    i += static_cast<std::size_t>(n);
    if (cp >= 0x10000) {
      const char32_t v = cp - 0x10000;
      text_.append(QChar(static_cast<char16_t>(0xD800 + (v >> 10))));
      text_.append(QChar(static_cast<char16_t>(0xDC00 + (v & 0x3FF))));
      byteAt_.push_back(at);
      byteAt_.push_back(at);  // the low surrogate: a position inside one character
    } else {
      text_.append(QChar(static_cast<char16_t>(cp)));
      byteAt_.push_back(at);
    }
  }
  if (!s.empty()) endsInCR_ = s.back() == '\r';
}

int ShownText::ToView(int byteOffset) const {
  const auto it = std::lower_bound(byteAt_.begin(), byteAt_.end(), byteOffset);
  if (it == byteAt_.end()) return static_cast<int>(byteAt_.size()) - 1;
  return static_cast<int>(it - byteAt_.begin());
}

int ShownText::ToModel(int viewPos) const {
  const int last = static_cast<int>(byteAt_.size()) - 1;
  return byteAt_[static_cast<std::size_t>(std::clamp(viewPos, 0, last))];
}

}  // namespace bx::view
