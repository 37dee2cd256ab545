#include "app/Modules.h"

#include "app/Unitmain.h"
#include "exchange/PortList.h"
#include "netdev/NetworkPage.h"
#include "passthru/PassThruPage.h"
#include "system/SystemPage.h"
#include "wifi/WiFiPage.h"

namespace bx {

WindowModules::WindowModules(TfrmMain& form)
    : wifi(std::make_unique<WiFiPage>(form)),
      system(std::make_unique<SystemPage>(form)),
      network(std::make_unique<NetworkPage>(form)),
      passThru(std::make_unique<PassThruPage>(form)),
      ports(std::make_unique<PortList>(form)) {}

WindowModules::~WindowModules() = default;

}  // namespace bx
