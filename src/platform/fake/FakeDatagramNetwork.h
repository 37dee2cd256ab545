#pragma once
// The in-process network with failures a test can ask for: no socket to be had, a bind
// refused (the search port in use by another program), sends that fail. Tests run it on
// the virtual clock of their event loop, give it the interfaces and far hosts they need
// and read every datagram the program sent from SentLog().
#include <map>
#include <optional>

#include "platform/InProcessNetwork.h"

namespace bx {

class FakeDatagramNetwork : public InProcessNetwork {
 public:
  using InProcessNetwork::InProcessNetwork;

  std::optional<SocketError> openFailure;        // OpenUdp gives no socket
  std::optional<SocketError> bindFailure;        // every Bind fails so
  bool sendsFail = false;                        // every SendTo fails, unreachable (nothing is sent)
  std::map<uint32_t, SocketError> sendFailures;  // a SendTo to one of these destinations fails so
  int opened = 0;                                // sockets handed out so far

  std::unique_ptr<DatagramSocket> OpenUdp(SocketError* error = nullptr) override;

 protected:
  SocketError BindFailure(uint32_t, uint16_t) override { return bindFailure.value_or(SocketError{}); }
  SocketError SendFailure(const Sent& datagram) override;
};

}  // namespace bx
