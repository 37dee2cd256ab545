// The Win32 dialogs' own rules: the file dialog's filter text, the exception display's
// full stop, and the clipboard's text round trip.
#include <gtest/gtest.h>

#include "view/win32/Win32Clipboard.h"
#include "view/win32/Win32Dialogs.h"

namespace bx::test {
namespace {

TEST(Win32Dialogs, TheFilterBecomesZeroSeparatedPairs) {
  using namespace std::string_literals;
  struct Case {
    const char* name;
    std::string in, out;
  };
  const Case cases[] = {
      {"description and mask, then all files", "Firmware|*.rfw|All files|*.*", "Firmware\0*.rfw\0All files\0*.*\0\0"s},
      {"several masks stay one entry", "Programs|*.exe;*.com", "Programs\0*.exe;*.com\0\0"s},
      {"an empty mask matches every file", "Anything|", "Anything\0*.*\0\0"s},
      {"an odd last part is left out", "Firmware|*.rfw|Stray", "Firmware\0*.rfw\0\0"s},
      {"an entry holding a zero byte is left out", "Bad\0name|*.x|Good|*.y"s, "Good\0*.y\0\0"s},
      {"nothing", "", "\0"s},
  };
  for (const Case& c : cases) EXPECT_EQ(view::Win32FileFilter(c.in), c.out) << c.name;
}

TEST(Win32Dialogs, TheExceptionMessageEndsInAFullStop) {
  EXPECT_EQ(view::WithFullStop("Failed to set data for 'Path'"), "Failed to set data for 'Path'.");
  EXPECT_EQ(view::WithFullStop("Done."), "Done.");
  EXPECT_EQ(view::WithFullStop("Really?"), "Really?");
  EXPECT_EQ(view::WithFullStop(""), "") << "the empty message of an unknown exception stays empty";
}

TEST(Win32Clipboard, TextGoesInAndComesBackWithItsLineEnds) {
  view::Win32Clipboard clipboard;
  clipboard.SetText("SN:BX240017\r\nFW:3.2.1.7\r\n");
  const std::string back = clipboard.Text();
  if (back.empty()) GTEST_SKIP() << "no clipboard here (Wine without a display)";
  EXPECT_EQ(back, "SN:BX240017\r\nFW:3.2.1.7\r\n");
  clipboard.SetText(std::string("before\0after", 12));
  EXPECT_EQ(clipboard.Text(), "before") << "the platform's text ends at a zero byte";
}

}  // namespace
}  // namespace bx::test
