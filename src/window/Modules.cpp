#include "window/Modules.h"

#include "exchange/Exchange.h"
#include "exchange/Identity.h"
#include "exchange/PortList.h"
#include "firmware/UpdatePage.h"
#include "form/Unitmain.h"
#include "modes/ModeHousekeeping.h"
#include "modes/ModeList.h"
#include "netdev/NetworkPage.h"
#include "passthru/PassThruPage.h"
#include "selftest/SelfTest.h"
#include "system/SystemPage.h"
#include "wifi/WiFiPage.h"

namespace bx {

namespace {
PassThruServices PassThruPageServices(TfrmMain& form, PortList& ports) {
  return PassThruServices{
      .settings = form.settings,
      .productName = form.ProductName,
      .companyName = form.CompanyName,
      .programPath = form.ctx.programPath,
      .driverVersion = form.PassThruDriverVersion,
      .firmwareVersion = form.edVersion,
      .messageBox = [&form](const std::string& caption, const std::string& text,
                            int flags) { return form.AppMessageBox(caption, text, flags); },
      .shell = form.ctx.shell,
      .libraries = form.ctx.libraries,
      .archives = form.ctx.archives,
      .folders = form.ctx.folders,
      .selectedPort = [&ports] { return ports.SelectedPortName(); },
      .selectedPortText = [&form] { return form.cbCOM.Text(); },
      .portListClick = [&ports] { ports.cbCOMClick(); },
      .writeFile = {},
  };
}
}  // namespace

WindowModules::WindowModules(TfrmMain& form)
    : ports(std::make_unique<PortList>(form)),
      identity(std::make_unique<Identity>(form, *ports)),
      exchange(std::make_unique<Exchange>(form, *ports, *identity)),
      modes(std::make_unique<ModeList>(form, *exchange)),
      housekeeping(std::make_unique<ModeHousekeeping>(form, *modes)),
      wifi(std::make_unique<WiFiPage>(form, *exchange)),
      system(std::make_unique<SystemPage>(form, *exchange, *wifi)),
      network(std::make_unique<NetworkPage>(
          form.network, NetworkServices{*form.ctx.registry, kSettingsKey,
                                        [&form](const std::string& caption, const std::string& text, int flags) {
                                          return form.AppMessageBox(caption, text, flags);
                                        },
                                        form.ctx.shell, &form.pcOptions})),
      passThru(std::make_unique<PassThruPage>(form.passThru, PassThruPageServices(form, *ports))),
      selftest(std::make_unique<SelfTest>(form, *exchange, *identity)),
      update(std::make_unique<UpdatePage>(form, *exchange)) {
  identity->Connect(*modes);
  identity->systemInfo = [s = system.get()](const std::string& payload) { s->SystemInfo(payload); };
  identity->pagesReset = [w = wifi.get(), s = system.get()] {
    w->Reset(false);
    s->Reset();
  };
  wifi->Connect(*identity);
}

WindowModules::~WindowModules() = default;

}  // namespace bx
