#include "links/Link_net.h"

#include "core/Bytes.h"
#include "links/NetDevice.h"
#include "platform/Registry.h"
#include "platform/Socket.h"

namespace bx {

std::optional<NetAddress> ParseNetPortName(const std::string& portName) {
  if (!StartsWith(portName, kNetPrefix)) return std::nullopt;
  std::string rest = portName.substr(sizeof kNetPrefix - 1);
  std::size_t colon = rest.find(':');
  if (colon == std::string::npos || colon == 0) return std::nullopt;
  std::string digits = rest.substr(colon + 1);
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  long port = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    port = port * 10 + (c - '0');
  }
  if (port < 1 || port > 65535) return std::nullopt;
  return NetAddress{rest.substr(0, colon), static_cast<uint16_t>(port)};
}

TLink_NET::TLink_NET(Registry* registry, const std::string& settingsKey, bool startScan)
    : TLink_Channel(kNetPrefix, kNetScanIntervalMs, settingsKey + "\\Network", registry) {
  if (startScan) Resume();
}

TLink_NET::~TLink_NET() { StopScan(); }

std::vector<std::string> TLink_NET::SavedEntries() {
  Lock(true);
  std::vector<std::string> copy = NetEntries_;
  Unlock();
  return copy;
}

// The list ends at the first value that is missing, empty or not text.
bool TLink_NET::LoadSource() {
  NetEntries_.clear();
  Registry* r = registry();
  if (!r || !r->KeyExists(Hive::LocalMachine, WatchKey())) return false;
  for (int n = 0;; ++n) {
    std::optional<std::string> entry;
    try {
      entry = r->ReadString(Hive::LocalMachine, WatchKey(), "Net" + std::to_string(n));
    } catch (const RegistryError&) {
      break;
    }
    if (!entry || entry->empty()) break;
    NetEntries_.push_back(*entry);
  }
  return true;
}

int TLink_NET::FillLists(PortLists& lists) {
  for (const std::string& entry : NetEntries_) {
    if (StartsWith(entry, "~")) continue;
    std::optional<NetDevice> d = ParseDeviceLine(entry);
    if (!d) continue;
    AddPort(lists, kNetPrefix + d->IP + ":" + d->Port, d->Name, d->MAC);
  }
  return static_cast<int>(lists.size());
}

static OpenError ErrorOf(ConnectStatus s) {
  switch (s) {
    case ConnectStatus::Ok:
      return OpenError::None;
    case ConnectStatus::Refused:
      return OpenError::Refused;
    case ConnectStatus::TimedOut:
      return OpenError::TimedOut;
    case ConnectStatus::Unreachable:
      return OpenError::Unreachable;
    case ConnectStatus::Failed:
      return OpenError::Failed;
  }
  return OpenError::Failed;
}

std::unique_ptr<Stream> TLink_NET::OpenDevice() {
  std::optional<NetAddress> where = ParseNetPortName(PortName());
  if (!where) {
    SetOpenError(OpenError::BadName);
    return nullptr;
  }
  std::optional<uint32_t> address = ResolveIPv4(where->host);
  if (!address) {
    SetOpenError(OpenError::Unresolved);
    return nullptr;
  }
  ConnectResult c = TcpSocket::Connect(*address, where->port, kNetConnectTimeoutMs);
  SetOpenError(ErrorOf(c.status));
  return std::move(c.socket);
}

}  // namespace bx
