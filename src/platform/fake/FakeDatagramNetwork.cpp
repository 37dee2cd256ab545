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

}  // namespace bx
