#include "wifi/WiFiChipset.h"

#include "exchange/Exchange.h"
#include "form/PageControls.h"
#include "form/WindowServices.h"
#include "wifi/WiFiCommand.h"

namespace bx {

WiFiChipset::WiFiChipset(SystemControls& system, WindowServices& window, Exchange& exchange)
    : c_(system), window_(window), ex_(exchange) {
  c_.btWiFi_Update.OnClick = [this] { Update(); };
  c_.btWiFi_Factory_Reset.OnClick = [this] { FactoryReset(); };
}

// An answer is echoed into the log as it is; without one the log would stay empty.
void WiFiChipset::Ended() {
  if (!ex_.Answered()) c_.memSYS.AddLine("No reply from the adapter.");
}

void WiFiChipset::Update() {
  c_.memSYS.Clear();
  SendEchoedCommand(ex_, "WU", c_.memSYS, [this] { Ended(); });
}

void WiFiChipset::FactoryReset() {
  const int answer = window_.AppMessageBox(
      "WiFi Chipset...", "This command will reset the WiFi chipset to factory settings. Are you sure?",
      mb::YesNo | mb::IconQuestion);
  if (answer != mb::IdYes) return;
  c_.memSYS.Clear();
  SendEchoedCommand(ex_, "WE", c_.memSYS, [this] { Ended(); });
}

}  // namespace bx
