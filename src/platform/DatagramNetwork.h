#pragma once
// The datagram side of the network as the network search sees it: a UDP socket, the name
// resolver and the list of local interfaces, behind one interface, so that the search
// runs on the system's network (posix/), on an in-process network (the demo's simulated
// adapters) or on a scripted one (fake/, for tests).
//
// Threads: a DatagramNetwork and the sockets it opened are used by one thread at a time
// (the search's: the main thread). The sockets must not outlive the network.
// Addresses and ports are in host byte order.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Bytes.h"

namespace bx {

// Why a socket operation failed, in the platform's words (text) and as a kind the
// program can act on.
struct SocketError {
  enum class Kind { None, AddressInUse, AddressNotAvailable, AccessDenied, NoSocket, Other };
  Kind kind = Kind::None;
  std::string text;
  explicit operator bool() const { return kind != Kind::None; }
};

struct Datagram {
  Bytes data;              // at most the size asked for
  std::size_t length = 0;  // the datagram's real length (more than data.size() when cut)
  uint32_t fromAddress = 0;
  uint16_t fromPort = 0;
  uint32_t toAddress = 0;  // where it was sent (a broadcast address, say); 0 when unknown
};

struct NetInterface {
  std::string name;
  uint32_t address = 0;  // first IPv4 address, 0 when the interface has none
  uint32_t mask = 0;
  bool up = false;
  bool loopback = false;
};

class DatagramSocket {
 public:
  virtual ~DatagramSocket() = default;
  // address 0: every local address; port 0: any free one. On failure `error` (when
  // given) says why: a port in use is Kind::AddressInUse.
  virtual bool Bind(uint32_t address, uint16_t port, SocketError* error = nullptr) = 0;
  virtual bool SetBroadcast(bool on) = 0;
  virtual bool SetDontRoute(bool on) = 0;
  virtual uint16_t LocalPort() const = 0;  // 0 when unbound or unknown
  // The whole datagram or nothing. A unicast or directed broadcast goes where the routing
  // table sends it, through a gateway too. The limited broadcast (255.255.255.255) from a
  // socket bound to every address leaves on every interface that is up and can broadcast
  // where the backend can pick the interface (posix/: a routing table picks one alone);
  // the Windows backend leaves that to the system. False when the datagram left nowhere,
  // with `error` (when given) saying why: "Network is unreachable" for an address no
  // route reaches, Kind::AccessDenied for a broadcast without SetBroadcast.
  virtual bool SendTo(uint32_t address, uint16_t port, const Bytes& data, SocketError* error = nullptr) = 0;
  // True when a datagram is waiting; timeoutMs 0 only looks.
  virtual bool PollReadable(int timeoutMs) = 0;
  // Takes one waiting datagram, keeping at most maxBytes of it; nullopt when none waits.
  virtual std::optional<Datagram> ReceiveFrom(std::size_t maxBytes) = 0;
};

class DatagramNetwork {
 public:
  virtual ~DatagramNetwork() = default;
  // An unbound IPv4 UDP socket; nullptr (and `error`) when none can be had.
  virtual std::unique_ptr<DatagramSocket> OpenUdp(SocketError* error = nullptr) = 0;
  // A dotted address resolves to itself; other names may ask a name server and block.
  virtual std::optional<uint32_t> Resolve(const std::string& host) = 0;
  // Every interface once, in the order the system lists them; empty when they cannot be
  // read.
  virtual std::vector<NetInterface> Interfaces() = 0;
};

// The system's own network (posix/).
std::unique_ptr<DatagramNetwork> MakeSystemDatagramNetwork();

// The directed broadcast address of an interface: its address with every host bit set.
inline uint32_t DirectedBroadcast(const NetInterface& i) { return i.address | ~i.mask; }

}  // namespace bx
