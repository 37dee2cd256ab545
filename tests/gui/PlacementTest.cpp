// Where the window opens: a stored position mostly off every screen comes onto the
// nearest one, and on a screen too small for the window its client area scrolls.
#include <gtest/gtest.h>

#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

#include "GuiWorld.h"

namespace bx::test {
namespace {

TEST(GuiPlacement, TheRuleKeepsAVisibleWindowAndBringsBackALostOne) {
  const QList<QRect> two = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 800)};
  struct Case {
    const char* what;
    QRect wanted;
    QList<QRect> screens;
    QPoint placed;
  };
  const Case cases[] = {
      {"whole on the first screen", {100, 100, 714, 424}, two, {100, 100}},
      {"across both screens", {1500, 200, 714, 424}, two, {1500, 200}},
      {"a third gone to the right", {3400, 100, 714, 424}, two, {3200 - 714, 100}},
      {"a monitor gone on the left", {-1500, 300, 714, 424}, two, {0, 300}},
      {"mostly below the smaller screen", {2000, 700, 714, 424}, two, {2000, 800 - 424}},
      {"title bar above the screen", {100, -50, 714, 424}, two, {100, 0}},
      {"larger than the screen", {300, 200, 714, 424}, {QRect(0, 0, 640, 400)}, {0, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(view::PlaceOnScreens(c.wanted, c.screens), c.placed) << c.what;
}

// The position a start reads from the settings store: kept when it is on the screen,
// moved onto it when it is off every screen.
TEST(GuiPlacement, AStoredPositionOffEveryScreenOpensOnTheScreen) {
  struct Case {
    int left, top;
    bool kept;
  };
  for (const Case c : {Case{40, 30, true}, Case{5000, 300, false}, Case{-3000, -2000, false}}) {
    GuiWorld w;
    w.Start();
    const std::string key = w.form->settings.SettingsKey;
    w.form.reset();  // its close writes the position it had; the next start reads these
    w.registry.WriteInteger(Hive::CurrentUser, key, "WinLeft", c.left);
    w.registry.WriteInteger(Hive::CurrentUser, key, "WinTop", c.top);
    w.Start();
    w.ShowWindow();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect at(w.window->pos(), w.window->size());
    if (c.kept) {
      EXPECT_EQ(at.topLeft(), QPoint(c.left, c.top));
    } else {
      EXPECT_TRUE(screen.contains(at)) << c.left << "," << c.top << " -> " << at.x() << "," << at.y();
    }
  }
}

// At scale 2 a 1280 x 800 screen is 640 x 400 of the window's units: the window takes
// that, and the status strip and the right-hand buttons are reached by scrolling.
TEST(GuiPlacement, OnATooSmallScreenTheClientAreaScrolls) {
  GuiWorld w;
  TfrmMain& f = w.Open();
  w.window->FitInto(QRect(0, 0, 640, 400));
  QApplication::processEvents();
  EXPECT_LE(w.window->width(), 640);
  EXPECT_LE(w.window->height(), 400);
  QScrollArea* area = w.window->ScrollArea();
  ASSERT_GT(area->verticalScrollBar()->maximum(), 0);
  ASSERT_GT(area->horizontalScrollBar()->maximum(), 0);
  // Scrolled with the keyboard's page keys on the scroll bars: the strip's far corner shows.
  for (int i = 0; i < 10; ++i) {
    QTest::keyClick(area->verticalScrollBar(), Qt::Key_PageDown);
    QTest::keyClick(area->horizontalScrollBar(), Qt::Key_PageDown);
  }
  QWidget* serial = w.window->WidgetFor(f.edSerial);
  const QRect shown(serial->mapTo(area->viewport(), QPoint(0, 0)), serial->size());
  EXPECT_TRUE(area->viewport()->rect().contains(shown)) << shown.x() << "," << shown.y();
  // A screen with room: the whole client area again, no scrolling.
  w.window->FitInto(QRect(0, 0, 1920, 1080));
  QApplication::processEvents();
  EXPECT_EQ(w.window->size(), QSize(714, 424));
  EXPECT_EQ(area->verticalScrollBar()->maximum(), 0);
}

}  // namespace
}  // namespace bx::test
