#include "sim/SimUdp.h"

#include <atomic>
#include <thread>
#include <vector>

#include "core/Protocol.h"
#include "platform/Poller.h"
#include "platform/Socket.h"

namespace bx::sim {

std::string SearchRequest() {
  std::string r(proto::kSearchRequestHead);
  for (unsigned char c : proto::kSearchWordScrambled) r += char(c ^ proto::kSearchWordMask);
  return r;
}

struct UdpResponder::Impl {
  Impl(Adapter& a, std::string h, int p, std::string ip, std::string dp)
      : adapter(a), host(std::move(h)), port(p), deviceIp(std::move(ip)), devicePort(std::move(dp)) {}
  void Loop();

  Adapter& adapter;
  std::string host;
  std::atomic<int> port;
  std::string deviceIp, devicePort;
  std::atomic<int> answers{0};
  WaitEvent waker{WaitEvent::Mode::AutoReset};
  SteadyClock clock;
  std::thread thread;
  std::atomic<bool> stop{false};
  std::unique_ptr<UdpSocket> sock;
};

void UdpResponder::Impl::Loop() {
  const std::string request = SearchRequest();
  std::vector<PollEntry> handles(1);
  while (!stop) {
    handles[0] = {sock->NativeHandle(), true, false};
    bool woken = false;
    if (!PollHandles(handles, waker, std::nullopt, woken)) break;
    if (stop) break;
    if (!handles[0].readable) continue;
    while (auto got = sock->ReceiveFrom(2048)) {
      const std::string who = Ipv4ToText(got->fromAddress);
      const bool match = got->length == got->data.size() && got->data == request;
      const std::string line = adapter.With([&](AdapterModel& m) {
        m.Event(std::string("udp: ") + (match ? "search from " : "ignored datagram from ") + who);
        return m.DeviceLine(deviceIp, devicePort);
      });
      if (!match) continue;
      sock->SendTo(got->fromAddress, got->fromPort, line);
      ++answers;
    }
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
  auto s = UdpSocket::Open();
  if (!s) return fail("no udp socket");
  s->SetReuseAddress(true);
  if (!s->Bind(*address, uint16_t(asked)))
    return fail("bind udp " + impl_->host + ":" + std::to_string(asked) + ": cannot bind");
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
}

int UdpResponder::Port() const { return impl_->port; }
int UdpResponder::Answers() const { return impl_->answers; }

}  // namespace bx::sim
