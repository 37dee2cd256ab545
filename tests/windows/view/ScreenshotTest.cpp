// One PNG per page, for people to look at (the same pages as the Qt window's pictures):
// every page as it opens, hidden tabs shown for the shot, with something in the panes
// and lists so that the pictures show how they read.
#include <gtest/gtest.h>

#include <filesystem>

#include "ViewWorld.h"
#include "support/PicturePages.h"

namespace bx::test {
namespace {

TEST(Win32Screenshots, EveryPageIsSavedAsAPicture) {
  ViewWorld w;
  TfrmMain& f = w.Open();
  BX_NEED_WINDOW(w);
  const std::string folder = ScreenshotFolder();
  std::filesystem::create_directories(folder);
  FillForPictures(f, "COM7");
  const auto pages = PicturePages(f);
  for (const auto& [page, name] : pages) {
    w.ShowPage(*page);
    EXPECT_TRUE(::IsWindowVisible(w.Of(*page))) << name;
    const std::string file = folder + "/" + name + ".png";
    EXPECT_TRUE(SavePicture(w.window->Hwnd(), file)) << file;
    EXPECT_TRUE(ShowsSomething(w.Of(*page))) << name << ": the page is one colour";
  }
  // The mode legend, placed as "Show ALL" places it.
  w.ShowPage(f.tsSettings);
  f.cbShow.SetVisible(true);
  f.lvInfo.SetBounds(f.btModeRun.Left(), f.lvInfo.Top(), f.btModeRun.Width(), f.btModeRun.Top() - f.lvInfo.Top());
  f.lvInfo.SetVisible(true);
  PumpPending(w.window.get());
  EXPECT_TRUE(SavePicture(w.window->Hwnd(), folder + "/1-settings-all.png"));
  EXPECT_TRUE(ShowsSomething(w.Of(f.lvInfo))) << "the mode legend is one colour";
}

}  // namespace
}  // namespace bx::test
