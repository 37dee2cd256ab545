#include "sim/SimPty.h"

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Poller.h"
#include "platform/PtyMaster.h"

namespace bx::sim {

struct PtyAdapter::Impl {
  explicit Impl(Adapter& a) : adapter(a) {}

  bool MakePair(std::string* error);
  void Loop();
  void OnSlaveEvents();
  void Feed(const std::string& in);
  void Hangup();
  void SetClientOpen(bool open) {
    std::lock_guard<std::mutex> lock(mu);
    clientOpen = open;
  }

  Adapter& adapter;
  SteadyClock clock;
  WaitEvent waker{WaitEvent::Mode::AutoReset};
  std::thread thread;
  std::atomic<bool> stop{false};
  std::atomic<bool> running{false};

  mutable std::mutex mu;  // guards the three below
  std::string path;
  int generation = 0;
  bool clientOpen = false;

  // Owned by the thread once it runs.
  std::unique_ptr<PtyMaster> pty;
  int opens = 0;
  std::unique_ptr<Session> session;
  std::string pending;
};

bool PtyAdapter::Impl::MakePair(std::string* error) {
  auto made = PtyMaster::Open(error);
  if (!made) return false;
  pty = std::move(made);
  opens = 0;
  SetClientOpen(false);
  std::lock_guard<std::mutex> lock(mu);
  path = pty->SlavePath();
  return true;
}

void PtyAdapter::Impl::Feed(const std::string& in) {
  pending += session->Step(in, clock.Now());
  // Nobody has the port open: what the adapter says is lost on the line.
  if (pty->Watched() && opens == 0) pending.clear();
}

void PtyAdapter::Impl::OnSlaveEvents() {
  for (const auto ev : pty->TakeSlaveEvents()) {
    if (ev == PtyMaster::SlaveEvent::Opened) {
      if (opens++ == 0) {
        // A fresh connection: the bootloader's prompt, if any, is timed from here.
        pending.clear();
        session = adapter.NewSession(clock.Now());
        SetClientOpen(true);
      }
    } else if (opens > 0 && --opens == 0) {
      // The program let go: replies it left unread are lost with the port, and an
      // exclusive flag it left set must not lock out the next open.
      pending.clear();
      pty->ResetSlave();
      SetClientOpen(false);
    }
  }
}

void PtyAdapter::Impl::Hangup() {
  pty.reset();
  pending.clear();
  std::string err;
  if (!MakePair(&err)) {
    stop = true;
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mu);
    ++generation;
  }
  session = adapter.NewSession(clock.Now());
}

void PtyAdapter::Impl::Loop() {
  session = adapter.NewSession(clock.Now());
  std::vector<PollEntry> handles(2);
  while (!stop && pty) {
    const auto wake = session->NextWake(clock.Now());
    handles[0] = {pty->Handle(), true, !pending.empty()};
    handles[1] = {pty->WatchHandle(), true, false};
    bool woken = false;
    if (!PollHandles(handles, waker, wake ? std::optional(*wake - clock.Now()) : std::nullopt, woken)) break;
    if (stop) break;
    // Opens and closes first: bytes read below were written after any open queued so far.
    OnSlaveEvents();
    std::string in;
    bool alive = true;
    if (handles[0].readable) alive = pty->ReadAvailable(in);
    if (handles[0].hungUp && !handles[0].readable) alive = false;
    Feed(in);
    if (session->Disconnected() || !alive) {
      Hangup();
      continue;
    }
    if (!pending.empty()) pty->WritePending(pending);
  }
  session.reset();
  running = false;
}

PtyAdapter::PtyAdapter(Scenario s) : PtyAdapter(std::make_shared<Adapter>(std::move(s))) {}

PtyAdapter::PtyAdapter(std::shared_ptr<Adapter> adapter)
    : adapter_(std::move(adapter)), impl_(std::make_unique<Impl>(*adapter_)) {}

PtyAdapter::~PtyAdapter() { Stop(); }

bool PtyAdapter::Start(std::string* error) {
  if (impl_->running) return true;
  if (!impl_->waker.Valid()) {
    if (error) *error = "no wait event";
    return false;
  }
  if (!impl_->MakePair(error)) return false;
  impl_->stop = false;
  impl_->running = true;
  impl_->thread = std::thread([this] { impl_->Loop(); });
  return true;
}

void PtyAdapter::Stop() {
  if (!impl_->thread.joinable()) return;
  impl_->stop = true;
  impl_->waker.Set();
  impl_->thread.join();
  impl_->pty.reset();
}

bool PtyAdapter::Running() const { return impl_->running; }

std::string PtyAdapter::SlavePath() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->path;
}

int PtyAdapter::Generation() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->generation;
}

bool PtyAdapter::ClientOpen() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->clientOpen;
}

}  // namespace bx::sim
