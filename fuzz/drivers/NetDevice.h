#pragma once
// The network device line, the "NET:" port name, and the saved network list that turns
// the one into the other. A device line read back is the line written; a port name that
// parses names its host and port and nothing else.
#include <string_view>

#include "Check.h"
#include "Input.h"
#include "settings/Settings.h"
#include "links/Link_net.h"
#include "links/NetDevice.h"
#include "platform/fake/MemoryRegistry.h"

namespace bx::fuzz {

inline void CheckDeviceLine(std::string_view line) {
  const std::optional<NetDevice> d = ParseDeviceLine(line);
  if (!d) return;
  Check(FormatDeviceLine(*d) == line, "a device line read and written again is the same line");
  Check(d->MAC.find(' ') == std::string::npos && d->IP.find(' ') == std::string::npos &&
            d->Port.find(' ') == std::string::npos,
        "only the name holds spaces");
  Check(ParseDeviceLine(FormatDeviceLine(*d)) == d, "a device written and read again is the same device");
}

inline void CheckPortName(const std::string& name) {
  const std::optional<NetAddress> a = ParseNetPortName(name);
  if (!a) return;
  Check(!a->host.empty() && a->host.find(':') == std::string::npos, "the host is there and holds no colon");
  Check(a->port >= 1, "port 0 is no port");
  Check(StartsWith(name, std::string(kNetPrefix) + a->host + ":"), "the host is what follows the prefix");
  const std::optional<NetAddress> again =
      ParseNetPortName(std::string(kNetPrefix) + a->host + ":" + std::to_string(a->port));
  Check(again && again->host == a->host && again->port == a->port, "the address written again reads the same");
}

// Each line of the input is one saved entry Net0, Net1, ...; the scan lists the enabled
// ones that are device lines.
inline void CheckSavedList(std::string_view input) {
  MemoryRegistry registry;
  const std::string key = std::string(kSettingsKey) + "\\Network";
  registry.CreateKey(Hive::LocalMachine, key);
  int n = 0;
  while (!input.empty() && n < 64) {
    registry.WriteString(Hive::LocalMachine, key, "Net" + std::to_string(n++), std::string(TakeUntil(input, '\n')));
  }
  TLink_NET link(&registry, kSettingsKey, /*startScan=*/false);
  link.ScanOnce();
  PortLists rows;
  link.MergeRowsInto(rows);
  Check(rows.size() <= static_cast<std::size_t>(n), "no more ports than saved entries");
  for (const std::string& name : rows.Names) {
    Check(StartsWith(name, kNetPrefix) && link.OwnsPort(name), "every saved device is a port of the network link");
    CheckPortName(name);
  }
}

inline void DriveNetDevice(std::string_view input) {
  CheckDeviceLine(input);
  CheckPortName(std::string(input));
  CheckPortName(std::string(kNetPrefix) + std::string(input));
  CheckSavedList(input);
}

}  // namespace bx::fuzz
