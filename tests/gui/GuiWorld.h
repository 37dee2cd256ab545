#pragma once
// The window model on fakes and virtual time, shown through the Qt view.
#include <QAbstractButton>
#include <QApplication>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "support/FormFixture.h"
#include "view/qt/MainWindow.h"

namespace bx::test {

struct GuiWorld : FormWorld {
  std::unique_ptr<view::MainWindow> window;

  TfrmMain& Open(std::vector<std::string> args = {}) {
    Start(std::move(args));
    window = std::make_unique<view::MainWindow>(*form, nullptr);
    window->ShowWindow();
    QApplication::processEvents();
    return *form;
  }
  ~GuiWorld() { window.reset(); }

  template <class W>
  W* Widget(const ui::TControl& c) {
    return qobject_cast<W*>(window->WidgetFor(c));
  }
  QTabWidget* Tabs() { return Widget<QTabWidget>(form->pcOptions); }
  QStringList TabCaptions() {
    QStringList out;
    for (int i = 0; i < Tabs()->count(); ++i) out << Tabs()->tabText(i);
    return out;
  }
  void ShowPage(ui::TTabSheet& page) {
    page.SetTabVisible(true);
    form->pcOptions.SetActivePage(&page);
    QApplication::processEvents();
  }
  // The name of the control a widget shows; an option of a radio group is named after
  // the group and its caption.
  static std::string ControlName(const QWidget* w) {
    if (!w) return "(nothing)";
    if (!w->objectName().isEmpty()) return w->objectName().toStdString();
    const auto* button = qobject_cast<const QAbstractButton*>(w);
    const QWidget* parent = w->parentWidget();
    return (parent ? parent->objectName().toStdString() : "?") + "/" + (button ? button->text().toStdString() : "?");
  }
  // Presses Tab from the page's tab until the focus leaves the page (or comes round
  // again); the controls it met.
  std::vector<std::string> TabWalk(ui::TTabSheet& page) {
    QWidget* pageWidget = window->WidgetFor(page);
    Tabs()->tabBar()->setFocus();
    std::vector<std::string> met;
    for (int i = 0; i < 80; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QWidget* now = QApplication::focusWidget();
      if (!now || !pageWidget->isAncestorOf(now)) break;
      const std::string name = ControlName(now);
      if (!met.empty() && name == met.front()) break;
      met.push_back(name);
    }
    return met;
  }
};

// Shows and enables a control and everything in it.
inline void UseEverything(ui::TControl& c) {
  c.SetVisible(true);
  c.SetEnabled(true);
  for (ui::TControl* child : c.Children()) UseEverything(*child);
}

}  // namespace bx::test
