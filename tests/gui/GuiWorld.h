#pragma once
// The window model on fakes and virtual time, shown through the Qt view: alone, or with
// a port whose far end is the simulated adapter.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "support/AdapterWorld.h"
#include "support/FormFixture.h"
#include "support/SimPeer.h"
#include "view/qt/MainWindow.h"

namespace bx::test {

template <class World>
struct WindowOver : World {
  std::unique_ptr<view::MainWindow> window;

  ~WindowOver() { window.reset(); }

  TfrmMain& ShowWindow() {
    window = std::make_unique<view::MainWindow>(*this->form, nullptr);
    window->ShowWindow();
    QApplication::processEvents();
    return *this->form;
  }
  // For tests of the focus: the window must be the active one.
  bool Activate() {
    window->activateWindow();
    return QTest::qWaitForWindowActive(window.get());
  }

  template <class W>
  W* Widget(const ui::TControl& c) {
    return qobject_cast<W*>(window->WidgetFor(c));
  }
  QTabWidget* Tabs() { return Widget<QTabWidget>(this->form->pcOptions); }
  QStringList TabCaptions() {
    QStringList out;
    for (int i = 0; i < Tabs()->count(); ++i) out << Tabs()->tabText(i);
    return out;
  }
  void ShowPage(ui::TTabSheet& page) {
    page.SetTabVisible(true);
    this->form->pcOptions.SetActivePage(&page);
    QApplication::processEvents();
  }
  // A key pressed where the focus is (on the window when nothing has it).
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* at = QApplication::focusWidget();
    QTest::keyClick(at ? at : window.get(), key, modifiers);
  }
  // Whether the focus is on the control's widget (or inside it).
  bool HasFocus(const ui::TControl& c) {
    QWidget* w = window->WidgetFor(c);
    QWidget* now = QApplication::focusWidget();
    return now && (now == w || w->isAncestorOf(now));
  }
  std::string FocusName() { return ControlName(QApplication::focusWidget()); }
  // Presses Tab until the control has the focus (at most `limit` times).
  bool TabTo(const ui::TControl& c, int limit = 40) {
    for (int i = 0; i < limit && !HasFocus(c); ++i) Key(Qt::Key_Tab);
    return HasFocus(c);
  }
  // Saves a picture of the window under screenshots/ for people to look at.
  bool Screenshot(const std::string& name) {
    const QString folder = QStringLiteral(BX_BINARY_DIR "/screenshots");
    QDir().mkpath(folder);
    QApplication::processEvents();
    return window->grab().save(folder + "/" + QString::fromStdString(name) + ".png");
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
      Key(Qt::Key_Tab);
      QWidget* now = QApplication::focusWidget();
      if (!now || !pageWidget->isAncestorOf(now)) break;
      const std::string name = ControlName(now);
      if (!met.empty() && name == met.front()) break;
      met.push_back(name);
    }
    return met;
  }
};

struct GuiWorld : WindowOver<FormWorld> {
  TfrmMain& Open(std::vector<std::string> args = {}) {
    Start(std::move(args));
    return ShowWindow();
  }
};

// The window with one port whose far end is the simulated adapter, all in virtual time.
struct GuiSimWorld : WindowOver<AdapterWorld> {
  std::unique_ptr<SimPeer> adapter;

  // The window and its running operations go while the link still exists.
  ~GuiSimWorld() {
    window.reset();
    form.reset();
  }
  TfrmMain& Open(sim::Scenario scenario = sim::Scenario()) {
    StartWithPort();
    adapter = std::make_unique<SimPeer>(link, std::move(scenario));
    return ShowWindow();
  }
  // Runs virtual time until the exchange has ended, the window following (bounded).
  bool RunToEnd(int64_t maxMs = 60000) {
    const bool ended = RunExchange(maxMs);
    QApplication::processEvents();
    return ended;
  }
};

// Shows and enables a control and everything in it.
inline void UseEverything(ui::TControl& c) {
  c.SetVisible(true);
  c.SetEnabled(true);
  for (ui::TControl* child : c.Children()) UseEverything(*child);
}

}  // namespace bx::test
