#pragma once
// Texts at the edge between the models (byte strings) and Qt (QString). Texts from the
// user, the file system and the version record are UTF-8 on this platform; a text that
// is not valid UTF-8 (noise from an adapter, say) is shown byte for byte as Latin-1, so
// every byte stays visible.
#include <QString>
#include <string>
#include <string_view>
#include <vector>

namespace bx::view {

QString ToQ(std::string_view bytes);
// A list's item or cell: as ToQ, with every control character (tab and line ends too,
// which would break the row) shown as the replacement character U+FFFD.
QString ToQListText(std::string_view bytes);
std::string FromQ(const QString& text);

// A model text as one widget shows it, with the map between the model's byte offsets
// and the widget's character positions. Log panes show CR LF (and a lone CR or LF) as
// one line break.
class ShownText {
 public:
  ShownText() : byteAt_{0} {}
  ShownText(std::string_view bytes, bool lineBreaks);
  const QString& Text() const { return text_; }
  // Extends the text by `tail` (bytes that followed the shown ones) and returns the
  // characters added; false when the tail cannot simply be added (it changes how the
  // whole text reads: invalid UTF-8 after valid, or LF after a shown CR).
  bool Append(std::string_view tail, QString& added);
  // Cuts the text back for a model text that was rewritten from byte `kept` on (`now` is
  // that text): a character or CR LF the cut would split goes as well. Returns the byte
  // offset where the shown text ends now, from which the rest is to be appended.
  int Truncate(std::string_view now, int kept);
  int ToView(int byteOffset) const;
  int ToModel(int viewPos) const;

 private:
  void Decode(std::string_view bytes, int base, bool utf8);

  QString text_;
  std::vector<int> byteAt_;  // byte offset of each shown character, then the end
  bool lineBreaks_ = false;
  bool utf8_ = true;
  bool endsInCR_ = false;
};

}  // namespace bx::view
