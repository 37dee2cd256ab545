#pragma once
// The headless window of the commands that still work its pages (passthru, net, discover,
// report): the window model's creation sequence run without a view, its controls clicked
// as a user would click them.
#include "cli/Cli.h"
#include "window/Modules.h"

namespace bx::cli {

// The session's window model (the command was registered with usesWindow).
TfrmMain& Form(Session& s);
// Runs the event loop until the exchange has ended; false when it did not (or a signal
// came).
bool RunExchange(Session& s);
// "Search"; true when the adapter answered. Reports why not, unless the adapter was
// silent (the window's message says so).
bool Search(Session& s);

}  // namespace bx::cli
