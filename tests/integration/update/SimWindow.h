#pragma once
// The whole window in real time with its real link table, and the simulated adapter on a
// pseudo-terminal offered as a virtual port. Every wait is bounded.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "exchange/Exchange.h"
#include "exchange/PortList.h"
#include "firmware/Unitfwupdate.h"
#include "update/UpdatePage.h"
#include "window/Unitmain.h"
#include "platform/fake/FakeServices.h"
#include "platform/fake/MemoryRegistry.h"
#include "sim/SimPty.h"
#include "support/TempFile.h"
#include "support/TimeScale.h"
#include "ui/EventLoop.h"
#include "window/Modules.h"

namespace bx::test {

class SimWindow {
 public:
  explicit SimWindow(sim::Scenario s = DefaultScenario()) : pty(std::move(s)) {}
  ~SimWindow() {
    if (form) form->Close();
    form.reset();
    ui::EventLoop::SetCurrent(nullptr);
    pty.Stop();
  }
  SimWindow(const SimWindow&) = delete;
  SimWindow& operator=(const SimWindow&) = delete;

  // The bootloader greets with its prompt, as the demo adapter's does.
  static sim::Scenario DefaultScenario() {
    sim::Scenario s;
    s.promptDelayMs = 200;
    return s;
  }

  // Starts the simulator and the window, and waits until the simulator's port is chosen.
  bool Start() {
    if (!pty.Start()) return false;
    ui::EventLoop::SetCurrent(&loop);
    AppContext c;
    c.registry = &registry;
    c.dialogs = &dialogs;
    c.clipboard = &clipboard;
    c.shell = &shell;
    c.version = VersionRecord{"Brevantix",
                              "Configurator",
                              "3.0.3.2",
                              "Copyright (C) dulMAR",
                              "dulMAR Company ::.",
                              "https://www.brevantix.example",
                              "orders@brevantix.example"};
    c.programPath = "/opt/brevantix/brevantix-configurator";
    c.sysfsRoot = folder.Path() + "/sys";  // no machine ports: only the simulator's
    c.virtualPorts = {{pty.SlavePath(), "Simulated Brevantix Adapter"}};
    if (prepare) prepare(c);
    form = std::make_unique<TfrmMain>(std::move(c));
    form->Modules->ports->preferred = pty.SlavePath();
    form->Modules->ports->Refresh(true);
    form->FormShow();
    const bool listed = loop.Run([this] { return SelectedPort() == pty.SlavePath(); }, ScaledMs(4000));
    if (listed) form->cbCOM.UserSelect(form->cbCOM.ItemIndex());
    return listed;
  }
  std::string SelectedPort() const { return form->Modules->ports->SelectedPortName(); }

  Exchange& Ex() { return *form->Modules->exchange; }
  FirmwareUpdater& Updater() { return *form->Modules->update->Updater(); }
  bool RunExchange(int64_t ms = 15000) {
    return loop.Run([this] { return !Ex().Running(); }, ScaledMs(static_cast<double>(ms)));
  }
  bool Search() {
    form->btSearch.Click();
    return RunExchange() && !form->edSerial.Text().empty();
  }
  void ChooseFile(const std::string& path) {
    dialogs.files.push_back(path);
    form->btFW_File.Click();
  }
  // Search, choose the file, Run.
  bool StartUpload(const std::string& path) {
    if (!Search()) return false;
    ChooseFile(path);
    if (!form->btUpdateRun.Usable()) return false;
    form->btUpdateRun.Click();
    return true;
  }
  std::vector<std::string> Log() const { return form->memUpdate.Lines(); }
  // Whether the upload log ends with these lines.
  ::testing::AssertionResult LogEndsWith(const std::vector<std::string>& lines) const {
    const std::vector<std::string> log = Log();
    if (log.size() >= lines.size() && std::equal(lines.rbegin(), lines.rend(), log.rbegin()))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the log ends with \"" << (log.empty() ? "" : log.back()) << "\"";
  }
  bool Logged(const std::string& line) const {
    for (const auto& l : Log())
      if (l == line) return true;
    return false;
  }

  // Adjusts the window's context before the window is made (folders, loaders).
  std::function<void(AppContext&)> prepare;
  sim::PtyAdapter pty;
  ui::RealEventLoop loop;
  MemoryRegistry registry;
  FakeDialogs dialogs;
  FakeClipboard clipboard;
  FakeShell shell;
  TempFolder folder;
  std::unique_ptr<TfrmMain> form;
};

}  // namespace bx::test
