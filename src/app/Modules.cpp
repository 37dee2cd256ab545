#include "app/Modules.h"

#include "app/Unitmain.h"
#include "exchange/Exchange.h"
#include "exchange/Identity.h"
#include "exchange/PortList.h"
#include "firmware/UpdatePage.h"
#include "modes/ModeHousekeeping.h"
#include "modes/ModeList.h"
#include "netdev/NetworkPage.h"
#include "passthru/PassThruPage.h"
#include "selftest/SelfTest.h"
#include "system/SystemPage.h"
#include "wifi/WiFiPage.h"

namespace bx {

WindowModules::WindowModules(TfrmMain& form)
    : wifi(std::make_unique<WiFiPage>(form)),
      system(std::make_unique<SystemPage>(form)),
      network(std::make_unique<NetworkPage>(form)),
      passThru(std::make_unique<PassThruPage>(form)),
      ports(std::make_unique<PortList>(form)),
      exchange(std::make_unique<Exchange>(form)),
      identity(std::make_unique<Identity>(form)),
      modes(std::make_unique<ModeList>(form)),
      housekeeping(std::make_unique<ModeHousekeeping>(form, *modes)),
      selftest(std::make_unique<SelfTest>(form, *exchange)),
      update(std::make_unique<UpdatePage>(form, *exchange)) {
  identity->systemInfo = [s = system.get()](const std::string& payload) { s->SystemInfo(payload); };
  wifi->Connect(*identity);
}

WindowModules::~WindowModules() = default;

}  // namespace bx
