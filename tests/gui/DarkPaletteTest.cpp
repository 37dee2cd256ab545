// The window under a dark colour scheme: every field, label and log pane keeps its text
// readable, measured on the drawn pixels, and a picture of each page is saved to look at.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <map>

#include "GuiWorld.h"
#include "support/PicturePages.h"
#include "view/qt/Binding.h"

namespace bx::test {
namespace {

// A dark scheme as the desktop's colour tools make one: light text on dark grounds.
QPalette DarkPalette() {
  QPalette p;
  const QColor window(0x35, 0x35, 0x35), base(0x2a, 0x2a, 0x2a), text(0xee, 0xee, 0xee);
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(group, QPalette::Window, window);
    p.setColor(group, QPalette::WindowText, group == QPalette::Disabled ? QColor(0x80, 0x80, 0x80) : text);
    p.setColor(group, QPalette::Base, base);
    p.setColor(group, QPalette::AlternateBase, window);
    p.setColor(group, QPalette::Text, group == QPalette::Disabled ? QColor(0x80, 0x80, 0x80) : text);
    p.setColor(group, QPalette::Button, window);
    p.setColor(group, QPalette::ButtonText, text);
    p.setColor(group, QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    p.setColor(group, QPalette::HighlightedText, Qt::white);
  }
  return p;
}

struct ScopedPalette {
  QPalette before = QApplication::palette();
  explicit ScopedPalette(const QPalette& p) { QApplication::setPalette(p); }
  ~ScopedPalette() { QApplication::setPalette(before); }
};

// The contrast between a picture's ground (its most frequent colour) and its strongest
// ink (the pixel that differs most from the ground).
double TextContrast(const QImage& image, const QRect& area) {
  std::map<QRgb, int> counts;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) ++counts[image.pixel(x, y)];
  if (counts.empty()) return 0;
  QRgb ground = counts.begin()->first;
  for (const auto& [c, n] : counts)
    if (n > counts[ground]) ground = c;
  double best = 1;
  for (const auto& [c, n] : counts) best = std::max(best, view::ContrastRatio(QColor(ground), QColor(c)));
  return best;
}

TEST(GuiDarkPalette, EveryFieldLabelAndPaneReadsOnEveryPage) {
  ScopedPalette dark(DarkPalette());
  GuiWorld w;
  TfrmMain& f = w.Open();
  FillForPictures(f, "/dev/ttyACM0");
  int measured = 0;
  for (const auto& [page, name] : PicturePages(f)) {
    UseEverything(*page);
    w.ShowPage(*page);
    QWidget* pageWidget = w.window->WidgetFor(*page);
    // Text in every empty field, so that there is ink to measure.
    for (QLineEdit* e : pageWidget->findChildren<QLineEdit*>())
      if (e->text().isEmpty()) e->setText("Wg 88");
    for (QPlainTextEdit* m : pageWidget->findChildren<QPlainTextEdit*>())
      if (m->toPlainText().isEmpty()) m->setPlainText("Wg 88");
    QApplication::processEvents();
    EXPECT_TRUE(w.Screenshot(std::string("dark-") + name));
    for (QLineEdit* e : pageWidget->findChildren<QLineEdit*>()) {
      if (!e->isVisible() || e->width() < 12 || e->echoMode() != QLineEdit::Normal) continue;
      const QImage image = e->grab().toImage();
      // Inside the frame: the frame's own line is no text.
      const double contrast = TextContrast(image, image.rect().adjusted(3, 3, -3, -3));
      EXPECT_GE(contrast, 4.5) << name << " " << e->objectName().toStdString();
      ++measured;
    }
    for (QLabel* l : pageWidget->findChildren<QLabel*>()) {
      if (!l->isVisible() || l->text().isEmpty()) continue;
      const QImage image = l->grab().toImage();
      EXPECT_GE(TextContrast(image, image.rect()), 4.5) << name << " " << l->objectName().toStdString();
      ++measured;
    }
    for (QPlainTextEdit* m : pageWidget->findChildren<QPlainTextEdit*>()) {
      if (!m->isVisible()) continue;
      const QImage image = m->viewport()->grab().toImage();
      EXPECT_GE(TextContrast(image, image.rect().adjusted(2, 2, -2, -2)), 4.5)
          << name << " " << m->objectName().toStdString();
      ++measured;
    }
  }
  // The status strip under the pages: the identity fields.
  for (QLineEdit* e : w.window->WidgetFor(f.pnStatus)->findChildren<QLineEdit*>()) {
    if (!e->isVisible() || e->width() < 12) continue;
    const QImage image = e->grab().toImage();
    EXPECT_GE(TextContrast(image, image.rect().adjusted(3, 3, -3, -3)), 4.5) << e->objectName().toStdString();
    ++measured;
  }
  EXPECT_GT(measured, 60);  // the pages' fields, labels and panes were all there to measure
}

}  // namespace
}  // namespace bx::test
