#pragma once
// The window on the built-in simulated adapter, in real time, shown through the Qt view.
// Its adapter hands out the in-tree pass-thru library as its driver; the driver goes into
// a scratch data folder and ~/.passthru into a scratch home.
#include <QAbstractButton>
#include <QApplication>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "platform/Archive.h"
#include "platform/Library.h"
#include "platform/fake/FakeServices.h"
#include "platform/fake/MemoryRegistry.h"
#include "host/Demo.h"
#include "program/Program.h"
#include "support/TempFile.h"
#include "support/TimeScale.h"
#include "ui/EventLoop.h"
#include "view/qt/LoopDriver.h"
#include "view/qt/MainWindow.h"
#include "window/Modules.h"

namespace bx {

struct DemoWindow {
  ui::RealEventLoop loop;
  MemoryRegistry registry;
  FakeDialogs dialogs;
  FakeClipboard clipboard;
  FakeShell shell;
  DemoAdapter demo{BX_PASSTHRU_DEMO_LIBRARY};
  test::TempFolder scratch;
  std::unique_ptr<LibraryLoader> libraries = MakeLibraryLoader();
  std::unique_ptr<ArchiveUnpacker> archives = MakeArchiveUnpacker();
  std::unique_ptr<view::LoopDriver> driver;
  std::unique_ptr<TfrmMain> form;
  std::unique_ptr<view::MainWindow> window;

  bool Open() {
    std::string error;
    if (!demo.Start(error)) return false;
    ui::EventLoop::SetCurrent(&loop);
    driver = std::make_unique<view::LoopDriver>(loop);
    AppContext c;
    c.registry = &registry;
    c.dialogs = &dialogs;
    c.clipboard = &clipboard;
    c.shell = &shell;
    c.version = BuiltInVersionRecord();
    c.programPath = "/usr/bin/brevantix-configurator";
    c.sysfsRoot = "/nonexistent-sysfs";  // only the simulated adapter's port
    OfferDemo(demo, c);  // its port, and the in-process network its search answers on
    c.folders.home = scratch.Path();
    c.folders.dataDir = scratch.Path() + "/data";
    c.libraries = libraries.get();
    c.archives = archives.get();
    form = std::make_unique<TfrmMain>(std::move(c));
    PreferPort(*form, demo.Port());
    window = std::make_unique<view::MainWindow>(*form, driver.get());
    window->ShowWindow();
    return true;
  }
  // Runs the real loop and Qt until pred holds (bounded, on the tests' time scale).
  bool RunUntil(const std::function<bool()>& pred, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(test::ScaledMs(ms));
    while (std::chrono::steady_clock::now() < end) {
      loop.Dispatch();
      QApplication::processEvents();
      if (pred()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return pred();
  }
  void Click(ui::TButton& b) {
    auto* w = qobject_cast<QAbstractButton*>(window->WidgetFor(b));
    ASSERT_NE(w, nullptr);
    w->click();
  }
  ~DemoWindow() {
    window.reset();
    if (form) form->FormClose();
    form.reset();
    driver.reset();
    ui::EventLoop::SetCurrent(nullptr);
  }
};

}  // namespace bx
