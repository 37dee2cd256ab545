#include "sim/SimTcp.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "sim/SimPoll.h"

namespace bx::sim {

struct TcpAdapter::Impl {
  Impl(Adapter& a, std::string h, int p) : adapter(a), host(std::move(h)), port(p) {}
  void Loop();
  void Accept();
  void Close();

  Adapter& adapter;
  std::string host;
  std::atomic<int> port;
  std::atomic<int> connections{0};
  SteadyClock clock;
  Waker waker;
  std::thread thread;
  std::atomic<bool> stop{false};
  Fd listener, client;
  std::unique_ptr<Session> session;
  std::string pending;
};

void TcpAdapter::Impl::Close() {
  client.reset();
  session.reset();
  pending.clear();
}

void TcpAdapter::Impl::Accept() {
  Fd c(::accept4(listener.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
  if (!c.valid()) return;
  const int one = 1;
  ::setsockopt(c.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  Close();
  client = std::move(c);
  session = adapter.NewSession(clock.Now());
  ++connections;
  adapter.With([&](AdapterModel& m) {
    m.Event(Format("tcp: connection %d", connections.load()));
    return 0;
  });
}

void TcpAdapter::Impl::Loop() {
  std::vector<pollfd> fds(3);
  while (!stop) {
    const auto wake = session ? session->NextWake(clock.Now()) : std::nullopt;
    fds[0] = {listener.get(), POLLIN, 0};
    fds[1] = {waker.fd(), POLLIN, 0};
    fds[2] = {client.valid() ? client.get() : -1, short(POLLIN | (pending.empty() ? 0 : POLLOUT)), 0};
    if (!PollUntil(fds, wake, clock)) break;
    if (fds[1].revents) waker.Drain();
    if (stop) break;
    if (fds[0].revents & POLLIN) Accept();
    if (!session) continue;
    std::string in;
    bool alive = true;
    if (fds[2].revents & (POLLIN | POLLHUP | POLLERR)) alive = ReadAvailable(client.get(), in);
    pending += session->Step(in, clock.Now());
    if (!alive || session->Disconnected()) {
      Close();
      continue;
    }
    if (!pending.empty() && !WritePending(client.get(), pending, true)) Close();
  }
  Close();
}

TcpAdapter::TcpAdapter(std::shared_ptr<Adapter> adapter, std::string host, int port)
    : adapter_(std::move(adapter)), impl_(std::make_unique<Impl>(*adapter_, std::move(host), port)) {}

TcpAdapter::~TcpAdapter() { Stop(); }

bool TcpAdapter::Start(std::string* error) {
  auto fail = [&](const std::string& what) {
    if (error) *error = what;
    return false;
  };
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* res = nullptr;
  const std::string service = std::to_string(impl_->port.load());
  if (::getaddrinfo(impl_->host.empty() ? nullptr : impl_->host.c_str(), service.c_str(), &hints, &res) != 0 || !res)
    return fail("cannot resolve " + impl_->host);
  Fd s(::socket(res->ai_family, res->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  const int one = 1;
  if (s.valid()) ::setsockopt(s.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  const bool ok = s.valid() && ::bind(s.get(), res->ai_addr, res->ai_addrlen) == 0 && ::listen(s.get(), 4) == 0;
  ::freeaddrinfo(res);
  if (!ok) return fail(ErrnoText(("listen on " + impl_->host + ":" + service).c_str()));
  sockaddr_storage addr{};
  socklen_t len = sizeof addr;
  ::getsockname(s.get(), reinterpret_cast<sockaddr*>(&addr), &len);
  impl_->port = addr.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&addr)->sin6_port)
                                           : ntohs(reinterpret_cast<sockaddr_in*>(&addr)->sin_port);
  impl_->listener = std::move(s);
  impl_->stop = false;
  impl_->thread = std::thread([this] { impl_->Loop(); });
  return true;
}

void TcpAdapter::Stop() {
  if (!impl_->thread.joinable()) return;
  impl_->stop = true;
  impl_->waker.Wake();
  impl_->thread.join();
  impl_->listener.reset();
}

std::string TcpAdapter::Host() const { return impl_->host; }
int TcpAdapter::Port() const { return impl_->port; }
int TcpAdapter::Connections() const { return impl_->connections; }

}  // namespace bx::sim
