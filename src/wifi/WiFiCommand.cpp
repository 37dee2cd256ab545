#include "wifi/WiFiCommand.h"

#include "exchange/Exchange.h"
#include "wifi/UrlQuery.h"

namespace bx {

bool SendEchoedCommand(Exchange& exchange, const std::string& suffix, ui::TMemo& pane,
                       std::function<void(bool answered)> finished) {
  ExchangeRequest r;
  r.operation = Operation::DeviceCommand;
  r.commandSuffix = suffix;
  r.wait = true;
  r.echoLine = [&pane](const std::string& line) { pane.AddLine(WiFiLogLine(line)); };
  r.finished = std::move(finished);
  return exchange.Start(std::move(r));
}

std::string WiFiLogLine(const std::string& line) { return MaskQueryValues(line, {"APPW", "STPW"}); }

}  // namespace bx
