// The termination signals on Windows are the console's control events: Ctrl+C stands for
// SIGINT; Ctrl+Break, closing the console, logging off and shutting down for SIGTERM.
// The system runs the handler on a thread of its own; the handler only queues the
// signal, and a watch delivers the queue on its thread as on POSIX. An event that ends
// the session (close, log-off, shut-down) gives the program the few seconds the system
// allows to wind down before it is ended.
#include "platform/TerminationSignals.h"

#include <condition_variable>
#include <csignal>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/win32/Win32.h"

namespace bx {
namespace {

constexpr DWORD kSessionEndGraceMs = 4500;

struct Queue {
  std::mutex mu;
  std::condition_variable arrived;
  std::deque<int> signals;
  int watches = 0;
};

Queue& TheQueue() {
  static Queue q;
  return q;
}

BOOL WINAPI Handler(DWORD type) {
  const int sig = type == CTRL_C_EVENT ? SIGINT : SIGTERM;
  Queue& q = TheQueue();
  {
    std::lock_guard g(q.mu);
    q.signals.push_back(sig);
  }
  q.arrived.notify_all();
  if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT) ::Sleep(kSessionEndGraceMs);
  return TRUE;
}

}  // namespace

void BlockTerminationSignals() {
  static const bool installed = ::SetConsoleCtrlHandler(Handler, TRUE) != 0;
  (void)installed;
}

int WaitForTerminationSignal() {
  Queue& q = TheQueue();
  std::unique_lock lk(q.mu);
  q.arrived.wait(lk, [&] { return !q.signals.empty(); });
  const int sig = q.signals.front();
  q.signals.pop_front();
  return sig;
}

void EndBySignal(int sig) {
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(TerminationExitCode(sig)));
  ::ExitProcess(static_cast<UINT>(TerminationExitCode(sig)));
}

struct TerminationWatch::Impl {
  bool stop = false;
  std::thread thread;
};

TerminationWatch::TerminationWatch(std::function<void(int)> onSignal) : impl_(std::make_unique<Impl>()) {
  Impl* impl = impl_.get();
  impl_->thread = std::thread([impl, onSignal = std::move(onSignal)] {
    Queue& q = TheQueue();
    std::unique_lock lk(q.mu);
    for (;;) {
      q.arrived.wait(lk, [&] { return impl->stop || !q.signals.empty(); });
      if (impl->stop) return;
      const int sig = q.signals.front();
      q.signals.pop_front();
      lk.unlock();
      if (onSignal) onSignal(sig);
      lk.lock();
    }
  });
}

TerminationWatch::~TerminationWatch() {
  Queue& q = TheQueue();
  {
    std::lock_guard g(q.mu);
    impl_->stop = true;
  }
  q.arrived.notify_all();
  if (impl_->thread.joinable()) impl_->thread.join();
}

bool TerminationWatch::Running() const { return impl_->thread.joinable(); }

}  // namespace bx
