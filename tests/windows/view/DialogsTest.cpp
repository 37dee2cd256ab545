// The Win32 dialogs' own rules: the file dialog's filter text, the exception display's
// full stop, and the clipboard's text round trip; and the modal dialogs themselves,
// answered from inside their own message loops.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

#include "ui/Controls.h"
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

// A dialog (window class "#32770") titled `title`, handed to `answer` once it shows;
// the answer must close it. Tried every 50 ms, at most 200 times (10 s).
struct Answerer {
  std::string title;
  std::function<void(HWND)> answer;
  int tries = 0;
  bool answered = false;
};
Answerer g_answerer;

void CALLBACK AnswerTheDialog(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dialog = ::FindWindowA("#32770", g_answerer.title.c_str());
  if (!dialog && ++g_answerer.tries < 200) return;
  ::KillTimer(nullptr, id);
  if (!dialog) return;
  g_answerer.answered = true;
  g_answerer.answer(dialog);
}

void AnswerWhenShown(const std::string& title, std::function<void(HWND)> answer) {
  g_answerer = {title, std::move(answer)};
  ::SetTimer(nullptr, 0, 50, AnswerTheDialog);
}

constexpr int kFileNameBox = 0x47C;  // the explorer-style dialog's file name box

TEST(Win32Dialogs, TheOpenFileDialogReturnsTheChosenFileAndCancelChoosesNothing) {
  char temp[MAX_PATH] = {};
  ASSERT_GT(::GetTempPathA(MAX_PATH, temp), 0u);
  const std::string file = std::string(temp) + "bx-open-dialog.rfw";
  std::ofstream(file) << "image";
  view::Win32Dialogs dialogs;
  OpenFileRequest request;
  request.title = "Choose firmware";
  request.filter = "Firmware|*.rfw|All files|*.*";

  AnswerWhenShown(request.title, [&](HWND dialog) {
    ::SetDlgItemTextA(dialog, kFileNameBox, file.c_str());
    ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  });
  std::string chosen;
  const bool ok = dialogs.OpenFile(request, chosen);
  if (!g_answerer.answered) GTEST_SKIP() << "the dialog did not show: Wine has no display here (run under xvfb-run)";
  EXPECT_TRUE(ok);
  EXPECT_EQ(::lstrcmpiA(chosen.c_str(), file.c_str()), 0) << chosen << " is not " << file;

  AnswerWhenShown(request.title, [](HWND dialog) { ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); });
  chosen = "unchanged";
  EXPECT_FALSE(dialogs.OpenFile(request, chosen));
  EXPECT_TRUE(g_answerer.answered);
  EXPECT_EQ(chosen, "unchanged");
  ::DeleteFileA(file.c_str());
}

TEST(Win32Dialogs, AnExceptionIsShownWithTheTitleAndAFullStop) {
  HWND owner = nullptr;
  view::InstallExceptionDisplay(&owner, [] { return std::string("Configurator test"); });
  std::string shown;
  AnswerWhenShown("Configurator test", [&](HWND box) {
    // The message is one of the box's static controls (the icon is another).
    for (HWND c = ::GetWindow(box, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
      char cls[16] = {}, text[256] = {};
      ::GetClassNameA(c, cls, sizeof cls);
      ::GetWindowTextA(c, text, sizeof text);
      if (std::string(cls) == "Static" && std::string(text).find("Port") != std::string::npos) shown = text;
    }
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
  });
  ui::ShowException("Port COM7 is busy");
  ui::SetExceptionDisplay(nullptr);
  if (!g_answerer.answered) GTEST_SKIP() << "the message box did not show: Wine has no display here";
  EXPECT_EQ(shown, "Port COM7 is busy.");
}

}  // namespace
}  // namespace bx::test
