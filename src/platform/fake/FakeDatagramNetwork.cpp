#include "platform/fake/FakeDatagramNetwork.h"

namespace bx {

std::unique_ptr<DatagramSocket> FakeDatagramNetwork::OpenUdp(SocketError* error) {
  if (openFailure) {
    if (error) *error = *openFailure;
    return nullptr;
  }
  ++opened;
  return InProcessNetwork::OpenUdp(error);
}

SocketError FakeDatagramNetwork::SendFailure(const Sent& datagram) {
  if (sendsFail) return {SocketError::Kind::Other, "Network is unreachable"};
  auto it = sendFailures.find(datagram.toAddress);
  return it == sendFailures.end() ? SocketError{} : it->second;
}

}  // namespace bx
