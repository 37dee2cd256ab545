#pragma once
// The network link: adapters reached over TCP through their WiFi or Ethernet bridge.
// Its ports are the network devices the user has saved under the settings key's
// "Network" subkey (values Net0, Net1, ... each a device line, "~" in front when the
// device is disabled); each becomes the port "NET:" + IP + ":" + TCP port.
#include <string>
#include <vector>

#include "links/Link_channel.h"

namespace bx {

inline constexpr int kNetScanIntervalMs = 1031;
inline constexpr int kNetConnectTimeoutMs = 2000;
inline constexpr char kNetPrefix[] = "NET:";

struct NetAddress {
  std::string host;
  uint16_t port = 0;
};

// "NET:" + host + ":" + decimal port (1 to 65535) and nothing else; nullopt otherwise.
std::optional<NetAddress> ParseNetPortName(const std::string& portName);

class TLink_NET final : public TLink_Channel {
 public:
  // Watches settingsKey + "\Network" under HKEY_LOCAL_MACHINE. `registry` may be null
  // (no saved devices then).
  TLink_NET(Registry* registry, const std::string& settingsKey, bool startScan = true);
  ~TLink_NET() override;

  // The raw saved entries of the last scan pass; read only between Lock and Unlock.
  const std::vector<std::string>& NetEntries() const { return NetEntries_; }
  // The same, taken under Lock(true)/Unlock.
  std::vector<std::string> SavedEntries();

 protected:
  bool LoadSource() override;
  int FillLists(PortLists& lists) override;
  std::unique_ptr<Stream> OpenDevice() override;

 private:
  std::vector<std::string> NetEntries_;
};

}  // namespace bx
