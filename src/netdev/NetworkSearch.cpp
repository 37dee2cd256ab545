#include "netdev/NetworkSearch.h"

#include "core/Protocol.h"
#include "links/NetDevice.h"
#include "platform/Socket.h"

namespace bx {

namespace {
constexpr uint32_t kLimitedBroadcast = 0xFFFFFFFFu;
}

NetworkSearch::NetworkSearch(NetworkSearchServices services) : s_(services) {}

NetworkSearch::~NetworkSearch() = default;

// The word is kept scrambled and put together afresh for every search.
std::string NetworkSearch::Request() {
  char word[sizeof proto::kSearchWordScrambled + 1] = {};
  for (std::size_t i = 0; i < sizeof proto::kSearchWordScrambled; ++i)
    word[i] = static_cast<char>(proto::kSearchWordScrambled[i] ^ proto::kSearchWordMask);
  return std::string(proto::kSearchRequestHead) + word;
}

// The system's adapter list that the search was made for never holds the loopback
// interface, and an adapter that is down has no address there: neither gets a directed
// broadcast. An interface without an address has mask 0 and drops out by the rule itself.
std::vector<uint32_t> NetworkSearch::Destinations(uint32_t address, const std::vector<NetInterface>& interfaces) {
  std::vector<uint32_t> list{address};
  if (address != kLimitedBroadcast) return list;
  for (const NetInterface& i : interfaces) {
    if (list.size() >= kMaxAddresses) break;
    if (i.loopback || !i.up) continue;
    const uint32_t directed = DirectedBroadcast(i);
    if (directed != kLimitedBroadcast) list.push_back(directed);
  }
  return list;
}

// ---- start and stop --------------------------------------------------------------------------

// A socket that cannot be had or bound (another program on the search port) leaves a
// line saying so, instead of a search that silently never starts.
// The socket is not set to "do not route": Linux then refuses every destination off the
// directly connected networks, so with a default route through a gateway neither the
// limited broadcast nor a Find of an adapter behind a router would leave. (Windows
// ignores that option on IPv4 sockets, so nothing changes there.)
bool NetworkSearch::OpenSocket() {
  SocketError error{SocketError::Kind::NoSocket, "no network"};
  std::unique_ptr<DatagramSocket> socket = s_.network ? s_.network->OpenUdp(&error) : nullptr;
  if (socket && socket->Bind(0, kPort, &error)) {
    socket->SetBroadcast(true);
    socket_ = std::move(socket);
    return true;
  }
  s_.sink.Line("Cannot use UDP port " + std::to_string(kPort) + ": " + error.text);
  return false;
}

void NetworkSearch::Start(const std::string& target) {
  if (Running()) return;
  s_.sink.ClearLog();
  request_ = Request();
  if (!OpenSocket()) return;
  target_ = target;
  s_.sink.SearchStarted();
  passesLeft_ = kPasses;
  BeginPass();
}

void NetworkSearch::Stop() {
  if (!Running()) return;
  s_.timer.SetInterval(0);
  socket_.reset();  // datagrams not read yet go with it
  s_.sink.SearchEnded();
}

// ---- passes and ticks ------------------------------------------------------------------------

// The target is resolved and the interfaces read again in every pass. A target that does
// not resolve sends nothing this pass, and the next tick begins the next one.
void NetworkSearch::BeginPass() {
  if (--passesLeft_ < 0) {
    Stop();
    return;
  }
  addresses_.clear();
  if (std::optional<uint32_t> address = s_.network->Resolve(target_)) {
    const bool all = *address == kLimitedBroadcast;
    addresses_ = Destinations(*address, all ? s_.network->Interfaces() : std::vector<NetInterface>{});
    s_.sink.PassProgress(0, kTicksPerPass);
    tick_ = 0;
  } else {
    tick_ = kTicksPerPass;
  }
  s_.timer.SetInterval(kTickMs);
  s_.timer.SetEnabled(true);
}

void NetworkSearch::tmrUDPTimer() {
  if (!Running()) return;
  if (socket_->PollReadable(0)) {
    std::optional<Datagram> d = socket_->ReceiveFrom(kMaxAnswer);
    if (d && d->length <= kMaxAnswer) HandleAnswer(d->data);
  }
  if (tick_ >= 0 && static_cast<std::size_t>(tick_) < addresses_.size())
    Send(addresses_[static_cast<std::size_t>(tick_)]);
  ++tick_;
  s_.sink.PassProgress(tick_, kTicksPerPass);
  if (tick_ >= kTicksPerPass) BeginPass();
}

// A send that fails is logged with its cause in place of the destination line; the
// pass goes on with its other destinations.
void NetworkSearch::Send(uint32_t to) {
  const std::string destination = Ipv4ToText(to) + ":" + std::to_string(kPort);
  SocketError error;
  if (socket_->SendTo(to, kPort, request_, &error))
    s_.sink.Line(destination);
  else
    s_.sink.Line("Cannot send to " + destination + ": " +
                 (error.text.empty() ? std::string("unknown error") : error.text));
}

// The search's own broadcast comes back to its socket: that one is neither logged nor read.
void NetworkSearch::HandleAnswer(const Bytes& text) {
  if (text == request_) return;
  s_.sink.Line(text);
  if (std::optional<NetDevice> device = ParseDeviceLine(text)) s_.sink.DeviceFound(*device);
}

}  // namespace bx
