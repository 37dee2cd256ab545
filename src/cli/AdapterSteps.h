#pragma once
// Steps that several commands take on the Settings page: running an exchange to its end,
// the search (with or without "Show ALL"), finding a mode in lvModes, and the mode list
// and status strip as text or JSON.
#include <cstdint>
#include <string>

#include "cli/JsonDocument.h"

namespace bx::cli {

struct Session;

// A long answer (the self-test log) keeps an exchange alive; this only bounds one that
// never ends.
inline constexpr int64_t kExchangeLimitMs = 300000;

// Runs the event loop until the exchange has ended; false when it did not (or a signal
// came).
bool RunExchange(Session& s);
// "Search" (or, with showAll, a tick of "Show ALL", whose click is itself a search);
// true when the adapter answered. Reports why not, unless the adapter was silent (the
// window's message says so).
bool Search(Session& s, bool showAll = false);
// The row of lvModes whose ID is `id`; -1 when the adapter lists none.
int FindMode(Session& s, const std::string& id);

void PrintModes(Session& s);
Json ModesJson(Session& s);
// The status strip: hardware, bootware, firmware, serial number, port, battery.
Json StatusJson(Session& s);

}  // namespace bx::cli
