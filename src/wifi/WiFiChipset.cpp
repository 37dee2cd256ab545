#include "wifi/WiFiChipset.h"

#include "exchange/Exchange.h"
#include "form/PageControls.h"
#include "form/WindowServices.h"
#include "session/AdapterSession.h"
#include "wifi/WiFiCommand.h"

namespace bx {

WiFiChipset::WiFiChipset(SystemControls& system, WindowServices& window, Exchange& exchange)
    : c_(system), window_(window), ex_(exchange) {
  c_.btWiFi_Update.OnClick = [this] { Update(); };
  c_.btWiFi_Factory_Reset.OnClick = [this] { FactoryReset(); };
}

// While another operation holds the adapter nothing is asked or sent, and the log keeps
// what it shows.
bool WiFiChipset::Refused(const std::string& action) {
  if (!ex_.Running()) return false;
  c_.memSYS.AddLine(BusyRefusal(action));
  return true;
}

// An answer is echoed into the log as it comes; without one the log would stay empty.
std::function<void(bool)> WiFiChipset::NoReplyLine() {
  return [this](bool answered) {
    if (!answered) c_.memSYS.AddLine("No complete reply from the adapter.");
  };
}

void WiFiChipset::Update() {
  if (Refused("Update")) return;
  c_.memSYS.Clear();
  SendEchoedCommand(ex_, "WU", c_.memSYS, NoReplyLine());
}

void WiFiChipset::FactoryReset() {
  if (Refused("Factory Reset")) return;
  const std::string& serial = ex_.Session().Identity().serial;
  const int answer = window_.AppMessageBox(
      "WiFi Chipset...",
      "This command will reset the WiFi chipset" + (serial.empty() ? std::string() : " of the adapter " + serial) +
          " to factory settings: its WiFi settings are lost. Are you sure?",
      mb::YesNo | mb::IconQuestion | mb::DefaultNo);
  if (answer != mb::IdYes) return;
  c_.memSYS.Clear();
  SendEchoedCommand(ex_, "WE", c_.memSYS, NoReplyLine());
}

}  // namespace bx
