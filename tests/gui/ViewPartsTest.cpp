// The view's small parts: text conversion and offsets, file filters, the exception
// text, the JPEG decoder and the state icons.
#include <gtest/gtest.h>

#include <QImage>

#include "Resources.h"
#include "ui/Controls.h"
#include "view/qt/JpegImage.h"
#include "view/qt/QtDialogs.h"
#include "view/qt/StateIcons.h"
#include "view/qt/ViewText.h"

namespace bx::test {
namespace {

using view::ShownText;

TEST(GuiText, Utf8RoundTripsAndOtherBytesStayVisible) {
  const std::string utf8 = "Gar\xC3\xA4ge \xE2\x86\x92 \xF0\x9F\x9A\x97";
  EXPECT_EQ(view::FromQ(view::ToQ(utf8)), utf8);
  const std::string noise("A\xFF\x80\0B", 5);
  const QString shown = view::ToQ(noise);
  ASSERT_EQ(shown.size(), 5);  // one character per byte
  EXPECT_EQ(shown[1].unicode(), 0xFF);
  EXPECT_EQ(shown[3].unicode(), 0);
}

// A list row shows a control character from outside as U+FFFD: a tab or line end cannot
// break the row, an escape sequence reaches no terminal-like widget.
TEST(GuiText, ListTextShowsControlCharactersAsTheReplacementCharacter) {
  struct Case {
    const char* name;
    std::string in;
    QString out;
  } cases[] = {
      {"plain", "Garage", QStringLiteral("Garage")},
      {"tab and line end", "a\tb\r\nc",
       QString::fromUtf8("a\xEF\xBF\xBD"
                         "b\xEF\xBF\xBD\xEF\xBF\xBD"
                         "c")},
      {"escape", "\x1b]0;x\x07", QString::fromUtf8("\xEF\xBF\xBD]0;x\xEF\xBF\xBD")},
      {"C1 in UTF-8",
       "\xC2\x9B"
       "2J",
       QString::fromUtf8("\xEF\xBF\xBD"
                         "2J")},
      {"NUL and DEL", std::string("a\0\x7f", 3), QString::fromUtf8("a\xEF\xBF\xBD\xEF\xBF\xBD")},
      {"UTF-8 kept", "Gar\xC3\xA4ge", QString::fromUtf8("Gar\xC3\xA4ge")},
  };
  for (const Case& c : cases) EXPECT_EQ(view::ToQListText(c.in), c.out) << c.name;
}

TEST(GuiText, PaneOffsetsMapBothWaysOverLineEndsAndWideCharacters) {
  // "ab" CR LF "c\xC3\xA9" LF "\xF0\x9F\x9A\x97" CR
  const std::string bytes = "ab\r\nc\xC3\xA9\n\xF0\x9F\x9A\x97\r";
  const ShownText t(bytes, true);
  EXPECT_EQ(t.Text(), QString::fromUtf8("ab\nc\xC3\xA9\n\xF0\x9F\x9A\x97\n"));
  EXPECT_EQ(t.ToView(4), 3);  // 'c' after the CR LF
  EXPECT_EQ(t.ToModel(3), 4);
  EXPECT_EQ(t.ToModel(4), 5);  // the e-acute starts at byte 5...
  EXPECT_EQ(t.ToModel(5), 7);  // ...and takes two bytes
  EXPECT_EQ(t.ToModel(6), 8);  // the emoji: two characters shown, one place in the model
  EXPECT_EQ(t.ToModel(7), 8);
  EXPECT_EQ(t.ToModel(8), 12);  // the lone CR shows as a line break too
  EXPECT_EQ(t.ToView(8), 6);
  EXPECT_EQ(t.ToView(static_cast<int>(bytes.size())), t.Text().size());
  EXPECT_EQ(t.ToModel(1000), static_cast<int>(bytes.size()));

  const ShownText edit("a\r\nb", false);  // an edit keeps line ends as characters
  EXPECT_EQ(edit.Text().size(), 4);
}

TEST(GuiText, AppendingMatchesAWholeDecodeOrRefuses) {
  ShownText t("one\r\n", true);
  QString added;
  ASSERT_TRUE(t.Append("two\r\n", added));
  EXPECT_EQ(added, "two\n");
  const ShownText whole("one\r\ntwo\r\n", true);
  EXPECT_EQ(t.Text(), whole.Text());
  EXPECT_EQ(t.ToModel(5), whole.ToModel(5));

  ShownText cr("half\r", true);
  EXPECT_FALSE(cr.Append("\nrest", added));  // the CR LF split over two updates
  ShownText utf("ok", true);
  EXPECT_FALSE(utf.Append("\xFF", added));  // the whole text now reads as Latin-1
}

// A pane whose text was rewritten from some byte on is cut back there and the rest
// appended; what it then shows must be what showing the new text whole gives.
TEST(GuiText, CuttingBackAndAppendingMatchesAWholeDecode) {
  struct Case {
    const char* name;
    std::string before, after;
  };
  const Case cases[] = {
      {"a counter line", "run\r\n10%", "run\r\n20%"},
      {"inside a two-byte character", "x\r\n\xC3\xA4", "x\r\n\xC3\xB6"},
      {"inside a CR LF", "a\r\nb", "a\rX"},
      {"inside a surrogate pair", "\xF0\x9F\x9A\x97!", "\xF0\x9F\x9A\x98!"},
      {"from the start", "abc", "xyz"},
      {"lines after the cut", "one\r\ntwo\r\nthree\r\n", "one\r\n2\r\nthree\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ui::TMemo memo("m", nullptr);
    memo.SetText(c.before);
    const uint64_t seen = memo.Revision();
    memo.SetText(c.after);
    const auto kept = static_cast<int>(memo.KeptSince(seen, c.before.size()));
    ShownText t(c.before, true);
    const int from = t.Truncate(c.after, kept);
    EXPECT_LE(from, kept);
    QString added;
    ASSERT_TRUE(t.Append(std::string_view(c.after).substr(static_cast<std::size_t>(from)), added));
    const ShownText whole(c.after, true);
    EXPECT_EQ(t.Text(), whole.Text());
    for (int v = 0; v <= whole.Text().size(); ++v) EXPECT_EQ(t.ToModel(v), whole.ToModel(v)) << "at " << v;
  }
}

TEST(GuiDialogs, FileFiltersAndTheExceptionText) {
  EXPECT_EQ(view::QtFileFilter("Firmware files|*.rfw|All files|*.*"), "Firmware files (*.rfw *.RFW);;All files (*)");
  EXPECT_EQ(view::QtFileFilter("Programs|*.exe;*.sh|All files|*.*"), "Programs (*.exe *.EXE *.sh *.SH);;All files (*)");
  EXPECT_EQ(view::WithFullStop("Failed to set data for 'WinTop'"), "Failed to set data for 'WinTop'.");
  EXPECT_EQ(view::WithFullStop("Done."), "Done.");
  EXPECT_EQ(view::WithFullStop(""), "");
}

TEST(GuiJpeg, DecodesTheLogoAndRefusesWhatIsNotAPicture) {
  const std::string logo(res::Find("logo.jpg"));
  const QImage image = view::DecodeJpeg(logo);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(320, 120));
  EXPECT_TRUE(view::DecodeJpeg("").isNull());
  EXPECT_TRUE(view::DecodeJpeg("not a picture at all").isNull());
  EXPECT_TRUE(view::DecodeJpeg(logo.substr(0, 40)).isNull());  // cut inside the header
  // Cut inside the picture data: libjpeg fills the rest; no crash, still a picture.
  EXPECT_EQ(view::DecodeJpeg(logo.substr(0, logo.size() / 2)).size(), QSize(320, 120));
  std::string bad = logo;
  bad[1] = '\x00';  // no start-of-image marker
  EXPECT_TRUE(view::DecodeJpeg(bad).isNull());
}

TEST(GuiIcons, TheMarksOfTheListsAreDrawnAndUnusedIndexesAreBlank) {
  ui::TImageList list("ilIcons");
  list.Images = {"state-selected.png", "state-active.png",        "state-hidden.png", "state-3.png",
                 "state-4.png",        "state-new.png",           "state-6.png",      "state-disabled.png",
                 "state-found.png",    "state-disabled-found.png"};
  const view::StateIcons icons(list);
  auto opaque = [&](int i) {
    const QImage im = icons.At(i).pixmap(16, 16).toImage();
    int n = 0;
    for (int y = 0; y < im.height(); ++y)
      for (int x = 0; x < im.width(); ++x) n += im.pixelColor(x, y).alpha() > 128;
    return n;
  };
  for (int i : {0, 1, 2, 5, 7, 8, 9}) EXPECT_GT(opaque(i), 20) << i;
  for (int i : {-1, 3, 4, 6, 10}) EXPECT_EQ(opaque(i), 0) << i;
}

}  // namespace
}  // namespace bx::test
