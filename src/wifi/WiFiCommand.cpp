#include "wifi/WiFiCommand.h"

#include "app/Modules.h"
#include "app/Unitmain.h"
#include "exchange/Exchange.h"

namespace bx {

bool SendEchoedCommand(TfrmMain& form, const std::string& suffix, ui::TMemo& pane) {
  Exchange& ex = *form.Modules->exchange;
  if (ex.Running()) return false;
  ex.commandSuffix = suffix;
  ex.commandWait = true;
  ex.commandDone = [&pane](const Bytes& body) {
    if (!body.empty()) pane.AddLine(body);
  };
  ex.Start(Operation::DeviceCommand);
  return true;
}

}  // namespace bx
