#include "window/Modules.h"

#include "exchange/Exchange.h"
#include "exchange/Identity.h"
#include "exchange/PortList.h"
#include "window/ExchangePresenter.h"
#include "window/TableLinks.h"
#include "update/UpdatePage.h"
#include "window/Unitmain.h"
#include "modes/ModeHousekeeping.h"
#include "modes/ModeList.h"
#include "netdev/NetworkPage.h"
#include "netdev/NetworkSearch.h"
#include "passthru/PassThruPage.h"
#include "session/AdapterSession.h"
#include "selftest/SelfTest.h"
#include "system/SystemPage.h"
#include "wifi/WiFiPage.h"
#include "wifi/WiFiScan.h"

namespace bx {

namespace {
PassThruServices PassThruPageServices(TfrmMain& form, AdapterSession& session, PortList& ports,
                                      const Exchange& exchange) {
  return PassThruServices{
      .settings = form.settings,
      .productName = form.ProductName,
      .companyName = form.CompanyName,
      .programPath = form.ctx.programPath,
      .session = session,
      .messageBox = [&form](const std::string& caption, const std::string& text,
                            int flags) { return form.AppMessageBox(caption, text, flags); },
      .shell = form.ctx.shell,
      .libraries = form.ctx.libraries,
      .archives = form.ctx.archives,
      .folders = form.ctx.folders,
      .selectedPort = [&ports] { return ports.SelectedPortName(); },
      .selectedPortText = [&ports] { return ports.SelectedPortText(); },
      .portListClick = [&ports] { ports.cbCOMClick(); },
      .writeFile = {},
      .busyRefusal =
          [&exchange](const std::string& action) { return exchange.Running() ? BusyRefusal(action) : std::string(); },
  };
}
}  // namespace

// The pages that follow the adapter's identity record.
class WindowModules::FollowingPages : public IdentityPages, public PortGoneListener {
 public:
  // The status strip's port says when the port it names is no longer offered. While an
  // exchange runs the strip names the port it opened; it says so at its end.
  void PortGone(const std::string& shown) override {
    if (!m_.exchange->Running() && m_.session->PortShown() == shown) form_.edCOM.SetText(shown + " - gone");
  }
  FollowingPages(TfrmMain& form, WindowModules& m) : form_(form), m_(m) {}
  void SystemInfo(const std::string& payload) override { m_.system->SystemInfo(payload); }
  void WiFiRecord(const std::string& payload) override { m_.wifi->WiFiSettings(payload); }
  void AccessPoint(char third, const std::string& payload) override { m_.wifi->Scan().AccessPoint(third, payload); }
  void PagesReset() override {
    m_.selftest->Reset();
    m_.wifi->Reset(false);
    m_.system->Reset();
    PassThruControls& p = form_;
    p.lbJ2534_Message.SetVisible(false);
    p.btJ2534_Install.SetEnabled(false);
    p.pbJ2534_Install.SetVisible(false);
    p.shJ2534_Install.SetVisible(false);
  }
  void BootwareSeen() override {
    m_.selftest->Offer();
    form_.pbJ2534_Install.SetVisible(true);
  }
  void DriverOffered(const std::string& version) override {
    form_.btJ2534_Install.SetCaption("Install Driver v" + version);
    form_.btJ2534_Install.SetEnabled(true);
  }

 private:
  TfrmMain& form_;
  WindowModules& m_;
};

WindowModules::WindowModules(TfrmMain& form)
    : session(std::make_unique<AdapterSession>()),
      ports(std::make_unique<PortList>(form, form.tmrRefresh, form.settings, form.ctx.dialogs)),
      identity(std::make_unique<Identity>(*session, form, form, form, form.settings, *ports)),
      presenter(std::make_unique<ExchangePresenter>(form, form, form.pcOptions, *session, *identity, *ports)),
      exchange(std::make_unique<Exchange>(*session, form, *presenter, form.tmrSearch, form, form.ProductName, *ports,
                                          *identity)),
      modes(std::make_unique<ModeList>(form, form.settings, *exchange)),
      housekeeping(std::make_unique<ModeHousekeeping>(form, form.settings, form, form.ctx.shell, *modes)),
      wifi(std::make_unique<WiFiPage>(form, form, form, form.pcOptions, form, *exchange)),
      system(std::make_unique<SystemPage>(form, form, *exchange, *wifi, form)),
      network(std::make_unique<NetworkPage>(
          form, NetworkServices{*form.ctx.registry, kSettingsKey,
                                [&form](const std::string& caption, const std::string& text, int flags) {
                                  return form.AppMessageBox(caption, text, flags);
                                },
                                form.ctx.shell, &form.pcOptions})),
      search(std::make_unique<NetworkSearch>(NetworkSearchServices{form.ctx.network, *network, form.tmrUDP})),
      passThru(std::make_unique<PassThruPage>(form, PassThruPageServices(form, *session, *ports, *exchange))),
      selftest(std::make_unique<SelfTest>(form, form.tmrMemo, *exchange, *identity)),
      update(std::make_unique<UpdatePage>(form, form, form, *exchange, *session)) {
  identity->Connect(*modes);
  pages = std::make_unique<FollowingPages>(form, *this);
  identity->Connect(*pages);
  ports->Connect(static_cast<PortGoneListener&>(*pages));
  network->SetSearcher(search.get());
}

WindowModules::~WindowModules() = default;

}  // namespace bx
