#pragma once
// The headless window of the commands that still work its pages (passthru, net, discover,
// report): the window model's creation sequence run without a view, its controls clicked
// as a user would click them.
#include "cli/Cli.h"
#include "window/Modules.h"
#include "window/Unitmain.h"

namespace bx::cli {

// The session's window model (the command was registered with usesWindow).
TfrmMain& Form(Session& s);
// "Search" clicked, the event loop run until the exchange has ended (at most `limitMs`);
// true when the adapter answered. Reports why not; an adapter that was silent only with
// `reportSilence` (the window's message says so already).
bool WindowSearch(Session& s, int64_t limitMs, bool reportSilence);

}  // namespace bx::cli
