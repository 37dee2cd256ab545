#pragma once
// The Network page without a window, for the discover and net commands: the page on the
// session's settings store, message boxes and event loop, with the stored list loaded as
// the window loads it when it opens, and its UDP search, whose log the steps keep and
// whose finds go into the page's list.
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "netdev/NetworkPage.h"
#include "netdev/NetworkSearch.h"

namespace bx::cli {

struct NetworkSteps : private SearchSink {
  explicit NetworkSteps(Session& s);
  ~NetworkSteps() override;
  NetworkSteps(const NetworkSteps&) = delete;
  NetworkSteps& operator=(const NetworkSteps&) = delete;

  // The search's log, with the answers not listed.
  const std::vector<std::string>& Log() const { return log_; }

  ui::TPageControl pages{"pcOptions", nullptr};
  NetworkControls controls{pages};
  NetworkPage page;
  ui::TTimer timer{"tmrUDP", NetworkSearch::kTickMs, false};
  // On the demo's simulated network while the demo runs, else on the system's.
  NetworkSearch search;

 private:
  void DeviceFound(const NetDevice& device) override {
    if (const std::string refused = page.RecordFound(device); !refused.empty()) log_.push_back(refused);
  }
  void SearchStarted() override {}
  void SearchEnded() override {}
  void ClearLog() override { log_.clear(); }
  void Line(const std::string& text) override { log_.push_back(text); }
  void PassProgress(int, int) override {}

  std::vector<std::string> log_;
};

}  // namespace bx::cli
