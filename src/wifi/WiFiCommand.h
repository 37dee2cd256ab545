#pragma once
// The WiFi commands go through the adapter exchange as device commands that wait for
// their reply; the reply is echoed into the page's own log when it has arrived.
#include <functional>
#include <string>

#include "ui/Controls.h"

namespace bx {

class Exchange;

// false when another exchange is running and nothing was sent. `ended` runs once the
// exchange has ended, whichever way.
bool SendEchoedCommand(Exchange& exchange, const std::string& suffix, ui::TMemo& pane,
                       std::function<void()> ended = {});

}  // namespace bx
