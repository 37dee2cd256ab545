#include "platform/InProcessNetwork.h"

#include <algorithm>
#include <chrono>
#include <deque>

namespace bx {

namespace {

constexpr uint32_t kLoopback = 0x7F000001u;
constexpr uint32_t kLimitedBroadcast = 0xFFFFFFFFu;
constexpr uint16_t kFirstEphemeral = 49152;

bool InLoopbackNet(uint32_t a) { return (a >> 24) == 127; }

// Four decimal octets, as the system resolver reads a dotted address.
std::optional<uint32_t> DottedAddress(const std::string& text) {
  uint32_t address = 0;
  std::size_t i = 0;
  for (int octet = 0; octet < 4; ++octet) {
    if (octet > 0 && (i >= text.size() || text[i++] != '.')) return std::nullopt;
    std::size_t digits = 0;
    uint32_t v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4; ++i, ++digits)
      v = v * 10 + uint32_t(text[i] - '0');
    if (digits == 0 || digits > 3 || v > 255) return std::nullopt;
    address = address << 8 | v;
  }
  if (i != text.size()) return std::nullopt;
  return address;
}

}  // namespace

class InProcessNetwork::Socket : public DatagramSocket {
 public:
  explicit Socket(InProcessNetwork& net) : net_(net) {}
  ~Socket() override { net_.Forget(*this); }

  bool Bind(uint32_t address, uint16_t port, SocketError* error) override {
    return net_.Bind(*this, address, port, error);
  }
  bool SetBroadcast(bool on) override {
    broadcast = on;
    return true;
  }
  bool SetDontRoute(bool on) override {
    dontRoute = on;
    return true;
  }
  uint16_t LocalPort() const override { return port; }
  bool SendTo(uint32_t address, uint16_t toPort, const Bytes& data, SocketError* error) override {
    return net_.Send(*this, address, toPort, data, error);
  }
  bool PollReadable(int) override {
    net_.DeliverDue(*this);
    return !queue.empty();
  }
  std::optional<Datagram> ReceiveFrom(std::size_t maxBytes) override {
    net_.DeliverDue(*this);
    if (queue.empty()) return std::nullopt;
    Datagram d = std::move(queue.front());
    queue.pop_front();
    if (d.data.size() > maxBytes) d.data.resize(maxBytes);
    return d;
  }

  bool bound = false;
  uint32_t address = 0;
  uint16_t port = 0;
  bool broadcast = false, dontRoute = false;
  std::deque<Datagram> queue;

 private:
  InProcessNetwork& net_;
};

InProcessNetwork::InProcessNetwork(std::function<int64_t()> nowMs) : now_(std::move(nowMs)) {
  if (!now_)
    now_ = [] {
      return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count();
    };
  interfaces_.push_back({"lo", kLoopback, 0xFF000000u, true, true});
  names_["localhost"] = kLoopback;
}

InProcessNetwork::~InProcessNetwork() = default;

void InProcessNetwork::AddHost(uint32_t address, Host host) { hosts_.emplace_back(address, std::move(host)); }

std::unique_ptr<DatagramSocket> InProcessNetwork::OpenUdp(SocketError*) {
  auto s = std::make_unique<Socket>(*this);
  sockets_.push_back(s.get());
  return s;
}

std::optional<uint32_t> InProcessNetwork::Resolve(const std::string& host) {
  if (auto dotted = DottedAddress(host)) return dotted;
  auto it = names_.find(host);
  if (it == names_.end()) return std::nullopt;
  return it->second;
}

// ---- addresses -----------------------------------------------------------------------------

bool InProcessNetwork::IsLocal(uint32_t a) const {
  if (InLoopbackNet(a)) return true;
  return std::any_of(interfaces_.begin(), interfaces_.end(),
                     [a](const NetInterface& i) { return i.up && i.address != 0 && i.address == a; });
}

bool InProcessNetwork::IsBroadcast(uint32_t a) const {
  if (a == kLimitedBroadcast) return true;
  return std::any_of(interfaces_.begin(), interfaces_.end(), [a](const NetInterface& i) {
    return i.up && i.address != 0 && ~i.mask != 0 && DirectedBroadcast(i) == a;
  });
}

// Whether a datagram to `to` reaches the far host `host`.
bool InProcessNetwork::Covers(uint32_t to, uint32_t host) const {
  if (to == host || to == kLimitedBroadcast) return true;
  return std::any_of(interfaces_.begin(), interfaces_.end(), [&](const NetInterface& i) {
    return i.up && i.address != 0 && ~i.mask != 0 && DirectedBroadcast(i) == to &&
           (host & i.mask) == (i.address & i.mask);
  });
}

// The address a datagram to `to` leaves from: the interface whose network holds it,
// else the first one up with an address.
uint32_t InProcessNetwork::SourceFor(uint32_t to) const {
  if (InLoopbackNet(to)) return kLoopback;
  const NetInterface* first = nullptr;
  for (const NetInterface& i : interfaces_) {
    if (!i.up || i.loopback || i.address == 0) continue;
    if ((to & i.mask) == (i.address & i.mask)) return i.address;
    if (!first) first = &i;
  }
  return first ? first->address : kLoopback;
}

bool InProcessNetwork::PortTaken(uint32_t address, uint16_t port) const {
  return std::any_of(sockets_.begin(), sockets_.end(), [&](const Socket* s) {
    return s->bound && s->port == port && (s->address == 0 || address == 0 || s->address == address);
  });
}

// ---- the socket operations -----------------------------------------------------------------

bool InProcessNetwork::Bind(Socket& s, uint32_t address, uint16_t port, SocketError* error) {
  auto fail = [error](SocketError::Kind kind, const char* text) {
    if (error) *error = SocketError{kind, text};
    return false;
  };
  if (SocketError injected = BindFailure(address, port)) {
    if (error) *error = injected;
    return false;
  }
  if (s.bound) return fail(SocketError::Kind::Other, "Invalid argument");
  if (address != 0 && !IsLocal(address))
    return fail(SocketError::Kind::AddressNotAvailable, "Cannot assign requested address");
  if (port == 0) {
    for (uint32_t p = kFirstEphemeral; p <= 65535 && port == 0; ++p)
      if (!PortTaken(address, uint16_t(p))) port = uint16_t(p);
    if (port == 0) return fail(SocketError::Kind::AddressInUse, "Address already in use");
  } else if (PortTaken(address, port)) {
    return fail(SocketError::Kind::AddressInUse, "Address already in use");
  }
  s.bound = true;
  s.address = address;
  s.port = port;
  return true;
}

bool InProcessNetwork::Send(Socket& s, uint32_t to, uint16_t port, const Bytes& data, SocketError* error) {
  auto fail = [error](SocketError why) {
    if (error) *error = std::move(why);
    return false;
  };
  if (!s.bound && !Bind(s, 0, 0, error)) return false;
  const bool broadcast = IsBroadcast(to);
  if (broadcast && !s.broadcast) return fail({SocketError::Kind::AccessDenied, "Permission denied"});
  Sent sent{s.address != 0 ? s.address : SourceFor(to), s.port, to, port, data, broadcast};
  if (SocketError injected = SendFailure(sent)) return fail(std::move(injected));
  sent_.push_back(sent);
  const Datagram d{data, data.size(), sent.fromAddress, sent.fromPort, to};
  if (broadcast || IsLocal(to)) {
    for (Socket* local : sockets_)
      if (local->bound && local->port == port && (local->address == 0 || local->address == to))
        local->queue.push_back(d);
  }
  for (auto& [address, host] : hosts_) {
    if (!Covers(to, address)) continue;
    for (Reply& r : host(sent))
      pending_.push_back(
          {now_() + r.delayMs, order_++, &s, Datagram{r.data, r.data.size(), address, port, sent.fromAddress}});
  }
  return true;
}

void InProcessNetwork::DeliverDue(Socket& s) {
  const int64_t now = now_();
  std::vector<Pending> due;
  auto ready = [&](const Pending& p) { return p.to == &s && p.due <= now; };
  std::copy_if(pending_.begin(), pending_.end(), std::back_inserter(due), ready);
  pending_.erase(std::remove_if(pending_.begin(), pending_.end(), ready), pending_.end());
  std::sort(due.begin(), due.end(),
            [](const Pending& a, const Pending& b) { return a.due != b.due ? a.due < b.due : a.order < b.order; });
  for (Pending& p : due) s.queue.push_back(std::move(p.datagram));
}

void InProcessNetwork::Forget(Socket& s) {
  sockets_.erase(std::remove(sockets_.begin(), sockets_.end(), &s), sockets_.end());
  pending_.erase(std::remove_if(pending_.begin(), pending_.end(), [&](const Pending& p) { return p.to == &s; }),
                 pending_.end());
}

}  // namespace bx
