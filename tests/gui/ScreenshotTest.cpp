// One PNG per page, for people to look at: every page as it opens (hidden tabs shown
// for the shot), and once more with every control of the page shown, so that controls
// hidden at start can be checked for their place too.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTabBar>
#include <iostream>

#include "GuiWorld.h"
#include "support/PicturePages.h"

namespace bx::test {
namespace {

// The share of a picture's pixels that differ from its top-left pixel (the page's ground).
double DrawnShare(const QImage& image) {
  const QRgb ground = image.pixel(0, 0);
  int64_t drawn = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) drawn += image.pixel(x, y) != ground;
  return image.isNull() ? 0.0 : double(drawn) / (double(image.width()) * image.height());
}

void ShowAll(ui::TControl& c) {
  c.SetVisible(true);
  for (ui::TControl* child : c.Children()) ShowAll(*child);
}

TEST(GuiScreenshots, EveryPageIsSavedAsAPicture) {
  const QString folder = QStringLiteral(BX_BINARY_DIR "/screenshots");
  ASSERT_TRUE(QDir().mkpath(folder));
  GuiWorld w;
  TfrmMain& f = w.Open();
  FillForPictures(f, "/dev/ttyACM0");

  // Without an adapter found, the window offers only the pages that need none.
  std::vector<std::string> tabs;
  for (int i = 0; i < w.Tabs()->count(); ++i)
    if (w.Tabs()->isTabVisible(i)) tabs.push_back(w.Tabs()->tabText(i).toStdString());
  EXPECT_EQ(tabs, (std::vector<std::string>{"Settings", "Update", "Network", "Passthru SAE J2534", "About"}));

  const auto pages = PicturePages(f);
  for (const auto& [page, name] : pages) {
    w.ShowPage(*page);
    const QString file = folder + "/" + name + ".png";
    EXPECT_TRUE(w.window->grab().save(file)) << file.toStdString();
    // A page that failed to draw is one colour; every page has frames, captions and fields.
    EXPECT_GT(DrawnShare(w.window->WidgetFor(*page)->grab().toImage()), 0.02) << name;
  }
  // An exchange running: the pages disabled, the marquee along the top of the status
  // strip, where it covers neither a page nor a field of the strip, on any page.
  f.pcOptions.SetEnabled(false);
  f.bpConnect.SetStyle(ui::TProgressBar::Style::Marquee);
  f.bpConnect.SetVisible(true);
  ShowAll(f.pnStatus);
  for (const auto& [page, name] : pages) {
    w.ShowPage(*page);
    QApplication::processEvents();
    const QRect marquee = w.window->WidgetFor(f.bpConnect)->geometry();
    ASSERT_TRUE(w.window->WidgetFor(f.bpConnect)->isVisible()) << name;
    EXPECT_FALSE(marquee.intersects(w.window->WidgetFor(f.pcOptions)->geometry())) << name;
    QWidget* strip = w.window->WidgetFor(f.pnStatus);
    for (QWidget* field : strip->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      EXPECT_FALSE(marquee.intersects(QRect(field->mapTo(w.window.get(), QPoint(0, 0)), field->size())))
          << name << " " << field->objectName().toStdString();
  }
  w.ShowPage(f.tsSettings);
  EXPECT_TRUE(w.window->grab().save(folder + "/1-settings-searching.png"));
  f.bpConnect.SetVisible(false);
  f.pcOptions.SetEnabled(true);

  ShowAll(f.pnStatus);
  f.btPower.SetVisible(true);
  for (const auto& [page, name] : pages) {
    ShowAll(*page);
    w.ShowPage(*page);
    const QString file = folder + "/" + name + "-all.png";
    EXPECT_TRUE(w.window->grab().save(file)) << file.toStdString();
  }
  std::cout << "Screenshots: " << folder.toStdString() << std::endl;
  EXPECT_TRUE(QFileInfo::exists(folder + "/1-settings.png"));
}

// Read on the System and WiFi pages against the simulated adapter: each page shows what
// came of it, the WiFi page in a status line of its own that covers none of its controls.
TEST(GuiScreenshots, ReadResultsShowOnTheSystemAndWiFiPages) {
  GuiSimWorld w;
  TfrmMain& f = w.Open();
  f.btSearch.Click();
  ASSERT_TRUE(w.RunToEnd());
  w.ShowPage(f.tsSystem);
  f.btSYS_Read.Click();
  ASSERT_TRUE(w.RunToEnd());
  EXPECT_EQ(w.Widget<QPlainTextEdit>(f.memSYS)->toPlainText().trimmed(), "System settings read.");
  EXPECT_TRUE(w.Screenshot("6-system-read"));

  ASSERT_TRUE(f.tsWiFi.TabVisible());
  w.ShowPage(f.tsWiFi);
  f.btWiFi_Read.Click();
  ASSERT_TRUE(w.RunToEnd());
  auto* status = w.Widget<QLabel>(f.lbWiFi_Status);
  EXPECT_EQ(status->text(), "Settings read.");
  ASSERT_TRUE(status->isVisible());
  for (ui::TControl* c : f.tsWiFi.Children()) {
    if (c == &f.lbWiFi_Status) continue;
    EXPECT_FALSE(status->geometry().intersects(w.window->WidgetFor(*c)->geometry())) << c->Name();
  }
  EXPECT_TRUE(w.Screenshot("7-wifi-read"));
}

}  // namespace
}  // namespace bx::test
