#pragma once
// The Network page without a window, for the discover and net commands: its controls,
// the page and its UDP search on the session's settings store, message boxes and event
// loop, with the stored list loaded as the window loads it when it opens.
#include "cli/Cli.h"
#include "netdev/NetworkPage.h"
#include "netdev/NetworkSearch.h"

namespace bx::cli {

struct NetworkSteps {
  explicit NetworkSteps(Session& s);
  ~NetworkSteps();
  ui::TPageControl pages{"pcOptions", nullptr};
  NetworkControls controls{pages};
  NetworkPage page;
  // On the demo's simulated network while the demo runs, else on the system's.
  NetworkSearch search;
};

}  // namespace bx::cli
