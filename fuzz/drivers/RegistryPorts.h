#pragma once
// The serial driver lists of the machine hive, filled from fuzz input, read by every
// watched driver's port source: counts stay within their bound, rows are real ports,
// and a friendly name only ever loses its own port suffix.
#include <string_view>
#include <vector>

#include "Check.h"
#include "Input.h"
#include "RegistryInput.h"
#include "links/RegistryPorts.h"
#include "platform/fake/MemoryRegistry.h"

namespace bx::fuzz {

inline std::vector<std::string> DriverListBases() {
  std::vector<std::string> bases;
  for (const char* service : kSerialDriverServices)
    bases.push_back(std::string("SYSTEM\\CurrentControlSet\\Services\\") + service + "\\Enum");
  bases.push_back("SYSTEM\\CurrentControlSet\\Enum\\");
  bases.push_back("");
  return bases;
}

inline void CheckFriendlyName(std::string_view input) {
  std::string_view rest = input;
  const std::string friendly(TakeUntil(rest, '\n'));
  const std::string port(rest);
  const std::string cut = CutFriendlyName(friendly, port);
  Check(StartsWith(friendly, cut), "the cut name is the start of the friendly name");
  Check(cut == friendly || friendly == cut + " (" + port + ")", "only the port's own suffix is cut");
}

inline void DriveRegistryPorts(std::string_view input) {
  MemoryRegistry reg;
  FillRegistry(reg, input, DriverListBases());
  for (const char* service : kSerialDriverServices) {
    RegistryPorts source(reg, service);
    PortLists lists;
    const std::optional<uint64_t> stamp = source.Stamp();
    const int count = source.Fill(lists);
    Check(count >= 0 && count <= kMaxDriverDevices, "a device count is within its bound");
    Check(lists.size() <= static_cast<std::size_t>(count), "no more ports than devices counted");
    Check(stamp.has_value() || lists.empty(), "a missing list has no ports");
    Check(lists.Descriptions.size() == lists.size() && lists.Details.size() == lists.size(), "the lists stay aligned");
    for (std::size_t i = 0; i < lists.size(); ++i) {
      Check(!lists.Names[i].empty(), "every row has a port name");
    }
  }
  CheckFriendlyName(input);
}

}  // namespace bx::fuzz
