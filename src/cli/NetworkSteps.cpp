#include "cli/NetworkSteps.h"

#include "settings/Settings.h"

namespace bx::cli {

NetworkSteps::NetworkSteps(Session& s)
    : page(controls, NetworkServices{*s.services.registry, kSettingsKey,
                                     [&s](const std::string& caption, const std::string& text, int flags) {
                                       return s.AppMessageBox(caption, text, flags);
                                     },
                                     s.services.shell.get(), &pages}),
      search(NetworkSearchServices{s.demo ? s.demo->Network() : s.services.network.get(), *this, timer}) {
  page.SetSearcher(&search);
  page.WireControls();
  timer.OnTimer = [this] { search.tmrUDPTimer(); };
  page.LoadList();
}

NetworkSteps::~NetworkSteps() { search.Stop(); }

}  // namespace bx::cli
