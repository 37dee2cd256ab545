#pragma once
// A window model on an in-memory registry, scripted dialogs and virtual time.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "exchange/PortList.h"
#include "window/Modules.h"
#include "window/Unitmain.h"
#include "platform/fake/FakeServices.h"
#include "platform/fake/MemoryRegistry.h"
#include "ui/EventLoop.h"

namespace bx::test {

class FakeTimerResolution : public TimerResolution {
 public:
  bool Load() override { return present; }
  void BeginPeriod(int ms) override { begun.push_back(ms); }
  void EndPeriod(int ms) override { ended.push_back(ms); }
  void Unload() override { ++unloads; }
  bool present = true;
  std::vector<int> begun, ended;
  int unloads = 0;
};

struct FormWorld {
  ui::VirtualEventLoop loop;
  MemoryRegistry registry;
  FakeDialogs dialogs;
  FakeClipboard clipboard;
  FakeShell shell;
  FakeTimerResolution timer;
  std::unique_ptr<TfrmMain> form;

  FormWorld() { ui::EventLoop::SetCurrent(&loop); }
  ~FormWorld() {
    form.reset();
    ui::EventLoop::SetCurrent(nullptr);
  }

  AppContext Context(std::vector<std::string> args = {}) {
    AppContext c;
    c.registry = &registry;
    c.dialogs = &dialogs;
    c.clipboard = &clipboard;
    c.shell = &shell;
    c.version = VersionRecord{"Brevantix", "Configurator", "3.0.3.2", "Copyright (C) dulMAR",
                              "dulMAR Company ::.", "https://www.brevantix.example", "orders@brevantix.example"};
    c.programPath = "/opt/brevantix/brevantix-configurator";
    c.args = std::move(args);
    c.timerResolution = &timer;
    c.startLinks = false;
    return c;
  }

  // The ports the window lists, as the test gives them, in place of the link table's.
  struct ListedPorts : PortFeed {
    std::function<PortLists()> rows;
    std::function<PropertyRows(const std::string& name, const std::string& detail)> properties;
    PortLists Collect() override { return rows ? rows() : PortLists{}; }
    PropertyRows Properties(const std::string& name, const std::string& detail) override {
      return properties ? properties(name, detail) : PropertyRows{};
    }
  } listed;
  // From the port list's next refresh on, it lists what `rows` gives.
  void ListPorts(std::function<PortLists()> rows) {
    listed.rows = std::move(rows);
    form->Modules->ports->Connect(&listed);
  }

  TfrmMain& Start(std::vector<std::string> args = {}) { return Start(Context(std::move(args))); }
  TfrmMain& Start(AppContext c) {
    form = std::make_unique<TfrmMain>(std::move(c));
    form->FormShow();
    return *form;
  }
  // Closes and destroys the window; returns whether it closed.
  bool Close() {
    if (!form) return true;
    if (!form->Close()) return false;
    form.reset();
    return true;
  }
};

}  // namespace bx::test
