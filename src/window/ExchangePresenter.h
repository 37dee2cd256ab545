#pragma once
// What the window shows while an exchange runs: the page control and the Settings page's
// controls wait for it, the status strip names the port, the command and runs its
// marquee; at its end the controls come back as the adapter and the port list now allow.
#include <string>

#include "exchange/ExchangeHooks.h"

namespace bx {

class AdapterSession;
class Identity;
class PortList;
struct SettingsControls;
struct StatusControls;
namespace ui {
class TPageControl;
}

class ExchangePresenter : public ExchangeView {
 public:
  ExchangePresenter(SettingsControls& page, StatusControls& status, ui::TPageControl& pages,
                    const AdapterSession& session, Identity& identity, const PortList& ports);

  void Opening(const std::string& portText) override;
  void OpenEnded() override;
  void Busy() override;
  void PagesUsable() override;
  void CommandSent(const std::string& command) override;
  void Ended() override;
  void PortCleared() override;

 private:
  SettingsControls& c_;
  StatusControls& status_;
  ui::TPageControl& pages_;
  const AdapterSession& session_;
  Identity& identity_;
  const PortList& ports_;
};

}  // namespace bx
