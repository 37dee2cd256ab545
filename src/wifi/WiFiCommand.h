#pragma once
// The WiFi commands go through the adapter exchange as device commands that wait for
// their reply; the reply is echoed into the page's own log line by line as it arrives,
// so that a reply that stops half-way still shows what came.
#include <functional>
#include <string>

#include "ui/Controls.h"

namespace bx {

class Exchange;

// false when another exchange is running and nothing was sent. `finished` hears, when the
// exchange has ended, whether the adapter's reply came.
bool SendEchoedCommand(Exchange& exchange, const std::string& suffix, ui::TMemo& pane,
                       std::function<void(bool answered)> finished = {});

// A reply line as the WiFi logs show it: the keys of the access point and the station
// masked as their fields are.
std::string WiFiLogLine(const std::string& line);

}  // namespace bx
