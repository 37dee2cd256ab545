#include "sim/SimUdp.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "core/Protocol.h"
#include "sim/SimPoll.h"

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
  Waker waker;
  SteadyClock clock;
  std::thread thread;
  std::atomic<bool> stop{false};
  Fd sock;
};

void UdpResponder::Impl::Loop() {
  const std::string request = SearchRequest();
  std::vector<pollfd> fds(2);
  while (!stop) {
    fds[0] = {sock.get(), POLLIN, 0};
    fds[1] = {waker.fd(), POLLIN, 0};
    if (!PollUntil(fds, std::nullopt, clock)) break;
    if (fds[1].revents) waker.Drain();
    if (stop) break;
    if (!(fds[0].revents & POLLIN)) continue;
    for (;;) {
      char buf[2048];
      sockaddr_storage from{};
      socklen_t fromLen = sizeof from;
      const ssize_t n = ::recvfrom(sock.get(), buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
      if (n < 0) break;
      const std::string got(buf, std::size_t(n));
      char who[INET6_ADDRSTRLEN + 8] = "?";
      if (from.ss_family == AF_INET)
        ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(&from)->sin_addr, who, sizeof who);
      const bool match = got == request;
      const std::string line = adapter.With([&](AdapterModel& m) {
        m.Event(std::string("udp: ") + (match ? "search from " : "ignored datagram from ") + who);
        return m.DeviceLine(deviceIp, devicePort);
      });
      if (!match) continue;
      ::sendto(sock.get(), line.data(), line.size(), 0, reinterpret_cast<sockaddr*>(&from), fromLen);
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
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* res = nullptr;
  const std::string service = std::to_string(impl_->port.load());
  if (::getaddrinfo(impl_->host.empty() ? nullptr : impl_->host.c_str(), service.c_str(), &hints, &res) != 0 || !res) {
    if (error) *error = "cannot resolve " + impl_->host;
    return false;
  }
  Fd s(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  const int one = 1;
  if (s.valid()) ::setsockopt(s.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  const bool ok = s.valid() && ::bind(s.get(), res->ai_addr, res->ai_addrlen) == 0;
  ::freeaddrinfo(res);
  if (!ok) {
    if (error) *error = ErrnoText(("bind udp " + impl_->host + ":" + service).c_str());
    return false;
  }
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  ::getsockname(s.get(), reinterpret_cast<sockaddr*>(&addr), &len);
  impl_->port = ntohs(addr.sin_port);
  impl_->sock = std::move(s);
  impl_->stop = false;
  impl_->thread = std::thread([this] { impl_->Loop(); });
  return true;
}

void UdpResponder::Stop() {
  if (!impl_->thread.joinable()) return;
  impl_->stop = true;
  impl_->waker.Wake();
  impl_->thread.join();
  impl_->sock.reset();
}

int UdpResponder::Port() const { return impl_->port; }
int UdpResponder::Answers() const { return impl_->answers; }

}  // namespace bx::sim
