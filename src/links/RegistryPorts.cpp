#include "links/RegistryPorts.h"

#include "core/Bytes.h"
#include "platform/Registry.h"

namespace bx {

namespace {

const char kServicesKey[] = "SYSTEM\\CurrentControlSet\\Services\\";
const char kEnumKey[] = "SYSTEM\\CurrentControlSet\\Enum\\";

// A value of the wrong type reads as missing.
std::optional<std::string> StringValue(Registry& r, const std::string& key, const std::string& name) {
  try {
    return r.ReadString(Hive::LocalMachine, key, name);
  } catch (const RegistryError&) {
    return std::nullopt;
  }
}

std::optional<int32_t> IntegerValue(Registry& r, const std::string& key, const std::string& name) {
  try {
    return r.ReadInteger(Hive::LocalMachine, key, name);
  } catch (const RegistryError&) {
    return std::nullopt;
  }
}

}  // namespace

RegistryPorts::RegistryPorts(Registry& registry, std::string service)
    : registry_(registry), watchKey_(kServicesKey + service + "\\Enum") {}

std::optional<uint64_t> RegistryPorts::Stamp() { return registry_.LastWriteTime(Hive::LocalMachine, watchKey_); }

// Only the exact suffix is cut: a friendly name written without it is kept whole rather
// than losing its own last characters.
std::string CutFriendlyName(const std::string& friendlyName, const std::string& portName) {
  std::string suffix = " (" + portName + ")";
  if (!portName.empty() && EndsWith(friendlyName, suffix))
    return friendlyName.substr(0, friendlyName.size() - suffix.size());
  return friendlyName;
}

int RegistryPorts::Fill(PortLists& lists) {
  if (!registry_.KeyExists(Hive::LocalMachine, watchKey_)) return 0;
  int count = IntegerValue(registry_, watchKey_, "Count").value_or(0);
  if (count > kMaxDriverDevices) count = kMaxDriverDevices;
  for (int i = 0; i < count; ++i) {
    std::optional<std::string> instance = StringValue(registry_, watchKey_, std::to_string(i));
    if (!instance || NormalizeKeyPath(*instance).empty()) continue;
    std::string deviceKey = kEnumKey + *instance;
    std::string paramsKey = deviceKey + "\\Device Parameters";
    if (!registry_.KeyExists(Hive::LocalMachine, deviceKey) || !registry_.KeyExists(Hive::LocalMachine, paramsKey)) {
      continue;
    }
    std::string port = StringValue(registry_, paramsKey, "PortName").value_or("");
    std::string friendly = StringValue(registry_, deviceKey, "FriendlyName").value_or("");
    AddPort(lists, port, CutFriendlyName(friendly, port), *instance);
  }
  return count < 0 ? 0 : count;
}

}  // namespace bx
