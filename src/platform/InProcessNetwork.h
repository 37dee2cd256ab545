#pragma once
// A datagram network inside this process: the sockets of this host, its interfaces and
// names, and far hosts that answer what reaches them after a delay on the network's
// clock. Nothing reaches the system's network. The demo's search runs on one (the
// simulated adapters are its far hosts), and the tests' fake builds on it.
//
// Delivery follows the system's rules where the search depends on them: a datagram to a
// local address goes to the socket bound to its port; a broadcast (the limited one, or
// an interface's directed one) needs SO_BROADCAST, comes back to this host's sockets on
// its port and reaches every far host it covers (the limited one: every far host, as it
// leaves on every interface); a far host's answers go back to the sending socket. Far
// hosts off this host's networks are reached as through a gateway. Polls never wait:
// local datagrams arrive at once, answers when due.
//
// Threads: one thread at a time uses the network and its sockets; a far host is called
// on that thread, from within SendTo. The sockets must not outlive the network.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/DatagramNetwork.h"

namespace bx {

class InProcessNetwork : public DatagramNetwork {
 public:
  struct Sent {
    uint32_t fromAddress = 0;
    uint16_t fromPort = 0;
    uint32_t toAddress = 0;
    uint16_t toPort = 0;
    Bytes data;
    bool broadcast = false;  // to the limited or a directed broadcast address
  };
  struct Reply {
    Bytes data;
    int delayMs = 0;
  };
  // A far host: sees each datagram that reaches its address and answers the sender.
  using Host = std::function<std::vector<Reply>(const Sent&)>;

  // nowMs: the clock that answer delays are counted on; unset, the steady clock.
  explicit InProcessNetwork(std::function<int64_t()> nowMs = {});
  ~InProcessNetwork() override;
  InProcessNetwork(const InProcessNetwork&) = delete;
  InProcessNetwork& operator=(const InProcessNetwork&) = delete;

  // This host's interfaces; at first the loopback interface alone (127.0.0.1/8).
  void SetInterfaces(std::vector<NetInterface> list) { interfaces_ = std::move(list); }
  // A name the resolver knows ("localhost" is known from the start).
  void AddName(const std::string& name, uint32_t address) { names_[name] = address; }
  void AddHost(uint32_t address, Host host);
  // Every datagram a socket of this host sent, in order.
  const std::vector<Sent>& SentLog() const { return sent_; }
  int OpenSockets() const { return static_cast<int>(sockets_.size()); }

  std::unique_ptr<DatagramSocket> OpenUdp(SocketError* error = nullptr) override;
  std::optional<uint32_t> Resolve(const std::string& host) override;
  std::vector<NetInterface> Interfaces() override { return interfaces_; }

 protected:
  // Failures a test may inject: a bind refused, a send that fails (and why).
  virtual SocketError BindFailure(uint32_t /*address*/, uint16_t /*port*/) { return {}; }
  virtual SocketError SendFailure(const Sent& /*datagram*/) { return {}; }

 private:
  class Socket;
  struct Pending {
    int64_t due;
    uint64_t order;
    Socket* to;
    Datagram datagram;
  };
  friend class Socket;

  bool IsLocal(uint32_t address) const;
  bool IsBroadcast(uint32_t address) const;
  bool Covers(uint32_t to, uint32_t host) const;
  uint32_t SourceFor(uint32_t to) const;
  bool PortTaken(uint32_t address, uint16_t port) const;
  bool Bind(Socket& s, uint32_t address, uint16_t port, SocketError* error);
  bool Send(Socket& s, uint32_t to, uint16_t port, const Bytes& data, SocketError* error);
  void DeliverDue(Socket& s);
  void Forget(Socket& s);

  std::function<int64_t()> now_;
  std::vector<NetInterface> interfaces_;
  std::map<std::string, uint32_t> names_;
  std::vector<std::pair<uint32_t, Host>> hosts_;
  std::vector<Socket*> sockets_;
  std::vector<Pending> pending_;
  std::vector<Sent> sent_;
  uint64_t order_ = 0;
};

}  // namespace bx
