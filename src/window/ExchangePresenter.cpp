#include "window/ExchangePresenter.h"

#include "exchange/Identity.h"
#include "exchange/PortList.h"
#include "form/PageControls.h"
#include "session/AdapterSession.h"

namespace bx {

ExchangePresenter::ExchangePresenter(SettingsControls& page, StatusControls& status, ui::TPageControl& pages,
                                     const AdapterSession& session, Identity& identity, const PortList& ports)
    : c_(page), status_(status), pages_(pages), session_(session), identity_(identity), ports_(ports) {}

// The pages and the port list wait for the open; the marquee runs along the status strip.
void ExchangePresenter::Opening(const std::string& portText) {
  pages_.SetEnabled(false);
  c_.cbCOM.SetEnabled(false);
  status_.edCOM.SetText(portText);
  status_.bpConnect.Vertical = false;
  status_.bpConnect.MarqueeInterval = 25;
  status_.bpConnect.SetStyle(ui::TProgressBar::Style::Marquee);
  status_.bpConnect.SetVisible(true);
}

void ExchangePresenter::OpenEnded() {
  pages_.SetEnabled(true);
  status_.bpConnect.SetVisible(false);
}

// While the adapter is busy nothing on the Settings page may start another operation.
void ExchangePresenter::Busy() {
  status_.bpConnect.MarqueeInterval = 10;
  status_.bpConnect.SetVisible(true);
  for (ui::TControl* c : std::initializer_list<ui::TControl*>{
           &pages_, &c_.gbOptions, &c_.lvModes, &c_.btModeSelect, &c_.btCopy, &c_.btSearch, &c_.btModeHide, &c_.cbShow,
           &c_.btModeFile, &c_.btModeFileDel, &c_.btModeRun, &c_.cbCOM, &c_.btPortProp})
    c->SetEnabled(false);
}

void ExchangePresenter::PagesUsable() { pages_.SetEnabled(true); }

void ExchangePresenter::CommandSent(const std::string& command) { status_.edCOMM_Command.SetText(command); }

void ExchangePresenter::Ended() {
  status_.bpConnect.SetVisible(false);
  status_.bpConnect.SetStyle(ui::TProgressBar::Style::Normal);
  pages_.SetEnabled(true);
  if (const std::string battery = session_.Battery(); !battery.empty()) {
    identity_.ShowBattery(battery);
    status_.btPower.SetEnabled(true);
  }
  for (ui::TControl* c : std::initializer_list<ui::TControl*>{&c_.gbOptions, &c_.lvModes, &c_.cbShow, &c_.cbCOM})
    c->SetEnabled(true);
  // A port-list rebuild during the exchange may have left no port chosen: Search would
  // then do nothing.
  c_.btSearch.SetEnabled(c_.cbCOM.ItemIndex() >= 0);
  c_.btPortProp.SetEnabled(!ports_.SelectedDetail().empty());
  c_.btCopy.SetEnabled(!c_.memLog.Text().empty());
}

void ExchangePresenter::PortCleared() { status_.edCOM.SetText(""); }

}  // namespace bx
