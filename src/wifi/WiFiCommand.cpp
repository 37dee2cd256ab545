#include "wifi/WiFiCommand.h"

#include "exchange/Exchange.h"

namespace bx {

bool SendEchoedCommand(Exchange& exchange, const std::string& suffix, ui::TMemo& pane, std::function<void()> ended) {
  ExchangeRequest r;
  r.operation = Operation::DeviceCommand;
  r.commandSuffix = suffix;
  r.wait = true;
  r.commandDone = [&pane](const Bytes& body) {
    if (!body.empty()) pane.AddLine(body);
  };
  r.ended = std::move(ended);
  return exchange.Start(std::move(r));
}

}  // namespace bx
