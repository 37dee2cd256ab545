#pragma once
// Steps that several commands take with the adapter: the adapter on the chosen port as a
// device of its own, its operations run to their end with their failures shown as the
// window shows them, and the mode list and status strip as text or JSON.
#include <cstdint>
#include <memory>
#include <string>

#include "cli/JsonDocument.h"
#include "device/AdapterDevice.h"

namespace bx::cli {

struct Session;

// A long answer (the self-test log) keeps an operation alive; this only bounds one that
// never ends.
inline constexpr int64_t kExchangeLimitMs = 300000;

// The adapter on the session's chosen port, with a link of its own and the
// program's settings.
std::unique_ptr<AdapterDevice> ChosenDevice(Session& s, DeviceListener* listener = nullptr);
// Runs the operation begun on the device (`begun`) to its end; a termination signal
// stops it. A port that does not open and an adapter that does not answer are shown as
// the window's error box shows them, any other failure on stderr. True when it went well.
bool RunDevice(Session& s, AdapterDevice& d, bool begun, int64_t limitMs = kExchangeLimitMs);
// The search; `showAll` lists the hidden modes too, as "Show ALL" does.
bool Search(Session& s, AdapterDevice& d, bool showAll = false, int64_t limitMs = kExchangeLimitMs);

void PrintModes(Session& s, const ModeListing& modes);
Json ModesJson(const ModeListing& modes);
// The status strip: hardware, bootware, firmware, serial number, port, battery.
Json StatusJson(const AdapterSession& a);

}  // namespace bx::cli
