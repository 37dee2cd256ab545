// The Win32 dialogs' own rules: the file dialog's filter text, the exception display's
// full stop, and the clipboard's text round trip.
#include <gtest/gtest.h>

#include <string>

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

// What the property sheet showed, seen from inside its modal loop.
struct SheetSeen {
  int rows = -1;
  std::string firstValue;
  bool ownerDisabled = false;
};
SheetSeen g_seen;
HWND g_owner = nullptr;

void CALLBACK LookAtTheSheet(HWND, UINT, UINT_PTR id, DWORD) {
  HWND sheet = ::FindWindowA("BrevantixProperties", nullptr);
  if (!sheet) return;  // not shown yet: the next tick
  ::KillTimer(nullptr, id);
  HWND list = ::FindWindowExA(sheet, nullptr, WC_LISTVIEWA, nullptr);
  g_seen.rows = ListView_GetItemCount(list);
  char text[64] = {};
  ListView_GetItemText(list, 0, 1, text, sizeof text);
  g_seen.firstValue = text;
  g_seen.ownerDisabled = !::IsWindowEnabled(g_owner);
  ::SendMessageA(sheet, WM_COMMAND, IDCANCEL, 0);  // Escape
}

TEST(Win32Dialogs, ThePropertySheetListsTheRowsAndIsModal) {
  g_owner =
      ::CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  if (!g_owner) GTEST_SKIP() << "no window: Wine has no display here (run under xvfb-run)";
  view::Win32Dialogs dialogs;
  dialogs.SetOwner(g_owner);
  g_seen = {};
  ::SetTimer(nullptr, 0, 50, LookAtTheSheet);
  dialogs.ShowProperties("COM7 Properties", {{"Driver", "usbser"}, {"Location", "Port_#0001.Hub_#0002"}});
  EXPECT_EQ(g_seen.rows, 2);
  EXPECT_EQ(g_seen.firstValue, "usbser");
  EXPECT_TRUE(g_seen.ownerDisabled) << "the sheet is modal";
  EXPECT_TRUE(::IsWindowEnabled(g_owner)) << "and gives the owner back";
  EXPECT_EQ(::FindWindowA("BrevantixProperties", nullptr), nullptr);
  ::DestroyWindow(g_owner);
}

}  // namespace
}  // namespace bx::test
