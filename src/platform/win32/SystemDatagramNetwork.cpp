// The system's network behind the datagram seam: Winsock, the system resolver and the
// adapter list.
#include "platform/DatagramNetwork.h"
#include "platform/Socket.h"

namespace bx {

namespace {

class SystemDatagramNetwork : public DatagramNetwork {
 public:
  std::unique_ptr<DatagramSocket> OpenUdp(SocketError* error) override { return UdpSocket::Open(error); }
  std::optional<uint32_t> Resolve(const std::string& host) override { return ResolveIPv4(host); }
  std::vector<NetInterface> Interfaces() override { return LocalInterfaces(); }
};

}  // namespace

std::unique_ptr<DatagramNetwork> MakeSystemDatagramNetwork() { return std::make_unique<SystemDatagramNetwork>(); }

}  // namespace bx
