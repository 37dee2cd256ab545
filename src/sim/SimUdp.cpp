#include "sim/SimUdp.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "core/Protocol.h"
#include "platform/InProcessNetwork.h"
#include "platform/Poller.h"
#include "platform/Socket.h"

namespace bx::sim {

std::string SearchRequest() {
  std::string r(proto::kSearchRequestHead);
  for (unsigned char c : proto::kSearchWordScrambled) r += char(c ^ proto::kSearchWordMask);
  return r;
}

std::vector<UdpReply> AnswerSearch(Adapter& adapter, const Datagram& request, bool broadcast,
                                   const std::string& deviceIp, const std::string& devicePort) {
  const bool match = request.length == request.data.size() && request.data == SearchRequest();
  return adapter.With([&](AdapterModel& m) {
    std::vector<UdpReply> replies;
    m.Event(std::string("udp: ") + (match ? "search from " : "ignored datagram from ") +
            Ipv4ToText(request.fromAddress) + " to " + Ipv4ToText(request.toAddress));
    if (!match) return replies;
    for (const UdpAnswerRule& r : m.scenario().udpAnswers) {
      if (r.to == UdpAnswerRule::To::Broadcast && !broadcast) continue;
      if (r.to == UdpAnswerRule::To::Direct && broadcast) continue;
      Bytes text = r.text == "@device" ? m.DeviceLine(deviceIp, devicePort) : r.text;
      if (text.size() < static_cast<std::size_t>(r.size)) text.resize(static_cast<std::size_t>(r.size), '.');
      for (int i = 0; i < r.repeat; ++i) replies.push_back({text, r.delayMs});
    }
    return replies;
  });
}

// ---- on a real socket ------------------------------------------------------------------------

struct UdpResponder::Impl {
  Impl(Adapter& a, std::string h, int p, std::string ip, std::string dp)
      : adapter(a), host(std::move(h)), port(p), deviceIp(std::move(ip)), devicePort(std::move(dp)) {}
  struct Due {
    SimTime at;
    uint32_t address;
    uint16_t port;
    Bytes data;
  };
  void Loop();
  bool IsBroadcast(uint32_t to) const;
  std::string NamedIp(const Datagram& d, bool broadcast) const;
  void Answer(const Datagram& d);
  void CountDestination(uint32_t to);
  void SendDue();

  Adapter& adapter;
  std::string host;
  std::atomic<int> port;
  std::string deviceIp, devicePort;
  std::vector<NetInterface> interfaces;
  std::atomic<int> requests{0}, broadcasts{0}, answers{0};
  mutable std::mutex destinationsLock;  // the loop's thread adds, any thread reads
  std::vector<std::pair<uint32_t, int>> destinations;
  WaitEvent waker{WaitEvent::Mode::AutoReset};
  SteadyClock clock;
  std::thread thread;
  std::atomic<bool> stop{false};
  std::unique_ptr<UdpSocket> sock;
  std::vector<Due> due;  // answers waiting for their delay, in order
};

bool UdpResponder::Impl::IsBroadcast(uint32_t to) const {
  if (to == 0xFFFFFFFFu) return true;
  return std::any_of(interfaces.begin(), interfaces.end(), [to](const NetInterface& i) {
    return i.address != 0 && ~i.mask != 0 && DirectedBroadcast(i) == to;
  });
}

// A listener on every address is named by the address the requester can reach: the one
// the request came to, or, for a broadcast, that of the interface on the requester's
// network.
std::string UdpResponder::Impl::NamedIp(const Datagram& d, bool broadcast) const {
  if (deviceIp != "0.0.0.0") return deviceIp;
  if (!broadcast && d.toAddress != 0) return Ipv4ToText(d.toAddress);
  for (const NetInterface& i : interfaces)
    if (i.address != 0 && (i.address & i.mask) == (d.fromAddress & i.mask)) return Ipv4ToText(i.address);
  return deviceIp;
}

void UdpResponder::Impl::Answer(const Datagram& d) {
  const bool broadcast = IsBroadcast(d.toAddress);
  const std::vector<UdpReply> replies = AnswerSearch(adapter, d, broadcast, NamedIp(d, broadcast), devicePort);
  if (d.length == d.data.size() && d.data == SearchRequest()) {
    ++requests;
    if (broadcast) ++broadcasts;
    CountDestination(d.toAddress);
  }
  for (const UdpReply& r : replies) due.push_back({clock.Now() + Ms(r.delayMs), d.fromAddress, d.fromPort, r.data});
  std::stable_sort(due.begin(), due.end(), [](const Due& a, const Due& b) { return a.at < b.at; });
}

void UdpResponder::Impl::CountDestination(uint32_t to) {
  std::lock_guard<std::mutex> hold(destinationsLock);
  auto it = std::find_if(destinations.begin(), destinations.end(), [to](const auto& d) { return d.first == to; });
  if (it == destinations.end())
    destinations.emplace_back(to, 1);
  else
    ++it->second;
}

void UdpResponder::Impl::SendDue() {
  const SimTime now = clock.Now();
  while (!due.empty() && due.front().at <= now) {
    if (sock->SendTo(due.front().address, due.front().port, due.front().data)) ++answers;
    due.erase(due.begin());
  }
}

void UdpResponder::Impl::Loop() {
  std::vector<PollEntry> handles(1);
  while (!stop) {
    handles[0] = {sock->NativeHandle(), true, false};
    bool woken = false;
    std::optional<std::chrono::nanoseconds> wait;
    if (!due.empty()) wait = std::max(due.front().at - clock.Now(), SimDuration(0));
    if (!PollHandles(handles, waker, wait, woken)) break;
    if (stop) break;
    if (handles[0].readable)
      while (auto got = sock->ReceiveFrom(2048)) Answer(*got);
    SendDue();
  }
}

UdpResponder::UdpResponder(std::shared_ptr<Adapter> adapter, std::string host, int port, std::string deviceIp,
                           std::string devicePort)
    : adapter_(std::move(adapter)),
      impl_(std::make_unique<Impl>(*adapter_, std::move(host), port, std::move(deviceIp), std::move(devicePort))) {}

UdpResponder::~UdpResponder() { Stop(); }

bool UdpResponder::Start(std::string* error) {
  auto fail = [&](const std::string& what) {
    if (error) *error = what;
    return false;
  };
  const int asked = impl_->port.load();
  const auto address = impl_->host.empty() ? std::optional<uint32_t>(0) : ResolveIPv4(impl_->host);
  if (!address) return fail("cannot resolve " + impl_->host);
  if (asked < 0 || asked > 65535) return fail("no such port " + std::to_string(asked));
  SocketError why;
  auto s = UdpSocket::Open(&why);
  if (!s) return fail("no udp socket: " + why.text);
  s->SetReuseAddress(true);
  if (!s->Bind(*address, uint16_t(asked), &why))
    return fail("bind udp " + impl_->host + ":" + std::to_string(asked) + ": " + why.text);
  impl_->interfaces = LocalInterfaces();
  impl_->port = s->LocalPort();
  impl_->sock = std::move(s);
  impl_->stop = false;
  impl_->thread = std::thread([this] { impl_->Loop(); });
  return true;
}

void UdpResponder::Stop() {
  if (!impl_->thread.joinable()) return;
  impl_->stop = true;
  impl_->waker.Set();
  impl_->thread.join();
  impl_->sock.reset();
  impl_->due.clear();
}

int UdpResponder::Port() const { return impl_->port; }
int UdpResponder::Requests() const { return impl_->requests; }
int UdpResponder::BroadcastRequests() const { return impl_->broadcasts; }
int UdpResponder::Answers() const { return impl_->answers; }
std::vector<std::pair<uint32_t, int>> UdpResponder::RequestsByDestination() const {
  std::lock_guard<std::mutex> hold(impl_->destinationsLock);
  return impl_->destinations;
}

// ---- in process ------------------------------------------------------------------------------

void AnswerOn(InProcessNetwork& network, uint32_t address, std::shared_ptr<Adapter> adapter, std::string deviceIp,
              std::string devicePort) {
  network.AddHost(address, [adapter, deviceIp, devicePort](const InProcessNetwork::Sent& sent) {
    std::vector<InProcessNetwork::Reply> out;
    if (sent.toPort != proto::kDiscoveryPort) return out;
    const Datagram d{sent.data, sent.data.size(), sent.fromAddress, sent.fromPort, sent.toAddress};
    for (UdpReply& r : AnswerSearch(*adapter, d, sent.broadcast, deviceIp, devicePort))
      out.push_back({std::move(r.data), r.delayMs});
    return out;
  });
}

}  // namespace bx::sim
