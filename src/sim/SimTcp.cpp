#include "sim/SimTcp.h"

#include <atomic>
#include <thread>
#include <vector>

#include "platform/Poller.h"
#include "platform/TcpListener.h"

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
  WaitEvent waker{WaitEvent::Mode::AutoReset};
  std::thread thread;
  std::atomic<bool> stop{false};
  std::unique_ptr<TcpListener> listener;
  std::unique_ptr<TcpConnection> client;
  std::unique_ptr<Session> session;
  std::string pending;
};

void TcpAdapter::Impl::Close() {
  client.reset();
  session.reset();
  pending.clear();
}

void TcpAdapter::Impl::Accept() {
  auto c = listener->Accept();
  if (!c) return;
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
  std::vector<PollEntry> handles(2);
  while (!stop) {
    const auto wake = session ? session->NextWake(clock.Now()) : std::nullopt;
    handles[0] = {listener->Handle(), true, false};
    handles[1] = {client ? client->Handle() : -1, true, !pending.empty()};
    bool woken = false;
    if (!PollHandles(handles, waker, wake ? std::optional(*wake - clock.Now()) : std::nullopt, woken)) break;
    if (stop) break;
    if (handles[0].readable) Accept();
    if (!session) continue;
    std::string in;
    bool alive = true;
    if (handles[1].readable || handles[1].hungUp) alive = client->ReadAvailable(in);
    pending += session->Step(in, clock.Now());
    if (!alive || session->Disconnected()) {
      Close();
      continue;
    }
    if (!pending.empty() && !client->WritePending(pending)) Close();
  }
  Close();
}

TcpAdapter::TcpAdapter(std::shared_ptr<Adapter> adapter, std::string host, int port)
    : adapter_(std::move(adapter)), impl_(std::make_unique<Impl>(*adapter_, std::move(host), port)) {}

TcpAdapter::~TcpAdapter() { Stop(); }

bool TcpAdapter::Start(std::string* error) {
  const int asked = impl_->port.load();
  if (asked < 0 || asked > 65535) {
    if (error) *error = "no such port " + std::to_string(asked);
    return false;
  }
  impl_->listener = TcpListener::Listen(impl_->host, uint16_t(asked), error);
  if (!impl_->listener) return false;
  impl_->port = impl_->listener->Port();
  impl_->stop = false;
  impl_->thread = std::thread([this] { impl_->Loop(); });
  return true;
}

void TcpAdapter::Stop() {
  if (!impl_->thread.joinable()) return;
  impl_->stop = true;
  impl_->waker.Set();
  impl_->thread.join();
  impl_->listener.reset();
}

std::string TcpAdapter::Host() const { return impl_->host; }
int TcpAdapter::Port() const { return impl_->port; }
int TcpAdapter::Connections() const { return impl_->connections; }

}  // namespace bx::sim
