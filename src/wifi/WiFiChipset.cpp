#include "wifi/WiFiChipset.h"

#include "exchange/Exchange.h"
#include "form/Unitmain.h"
#include "wifi/WiFiCommand.h"

namespace bx {

WiFiChipset::WiFiChipset(TfrmMain& form, Exchange& exchange) : f_(form), ex_(exchange) {
  f_.btWiFi_Update.OnClick = [this] { Update(); };
  f_.btWiFi_Factory_Reset.OnClick = [this] { FactoryReset(); };
}

// An answer is echoed into the log as it is; without one the log would stay empty.
void WiFiChipset::Ended() {
  if (!ex_.Answered()) f_.memSYS.AddLine("No reply from the adapter.");
}

void WiFiChipset::Update() {
  f_.memSYS.Clear();
  SendEchoedCommand(ex_, "WU", f_.memSYS, [this] { Ended(); });
}

void WiFiChipset::FactoryReset() {
  const int answer =
      f_.AppMessageBox("WiFi Chipset...", "This command will reset the WiFi chipset to factory settings. Are you sure?",
                       mb::YesNo | mb::IconQuestion);
  if (answer != mb::IdYes) return;
  f_.memSYS.Clear();
  SendEchoedCommand(ex_, "WE", f_.memSYS, [this] { Ended(); });
}

}  // namespace bx
