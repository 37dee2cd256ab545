#pragma once
// The window model on fakes and virtual time, shown through the Qt view.
#include <QAbstractButton>
#include <QApplication>
#include <QTabWidget>
#include <QTest>
#include <memory>

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
};

}  // namespace bx::test
