#include "platform/TerminationSignals.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <thread>

#include "platform/WaitEvent.h"

namespace bx {
namespace {

sigset_t TerminationSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

void BlockTerminationSignals() {
  const sigset_t set = TerminationSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

int WaitForTerminationSignal() {
  const sigset_t set = TerminationSet();
  int sig = 0;
  while (sigwait(&set, &sig) != 0) {
  }
  return sig;
}

void EndBySignal(int sig) {
  // The signal is blocked in every thread; the default action must reach this one.
  signal(sig, SIG_DFL);
  sigset_t one;
  sigemptyset(&one);
  sigaddset(&one, sig);
  pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
  raise(sig);
  // A blocked copy may already be pending for the process rather than the thread.
  kill(getpid(), sig);
  _exit(TerminationExitCode(sig));
}

// A signalfd read on a thread of its own, beside a stop event, so that the destructor
// can end the thread without sending itself a signal.
struct TerminationWatch::Impl {
  int fd = -1;
  WaitEvent stop{WaitEvent::Mode::ManualReset};
  std::thread thread;
};

TerminationWatch::TerminationWatch(std::function<void(int)> onSignal) : impl_(std::make_unique<Impl>()) {
  const sigset_t set = TerminationSet();
  impl_->fd = signalfd(-1, &set, SFD_CLOEXEC);
  if (impl_->fd < 0 || !impl_->stop.Valid()) return;
  Impl* impl = impl_.get();
  impl_->thread = std::thread([impl, onSignal = std::move(onSignal)] {
    for (;;) {
      pollfd fds[2] = {{impl->fd, POLLIN, 0}, {static_cast<int>(impl->stop.NativeHandle()), POLLIN, 0}};
      if (poll(fds, 2, -1) < 0) continue;
      if (fds[1].revents) return;
      signalfd_siginfo info{};
      if (read(impl->fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info) && onSignal)
        onSignal(static_cast<int>(info.ssi_signo));
    }
  });
}

TerminationWatch::~TerminationWatch() {
  if (impl_->thread.joinable()) {
    impl_->stop.Set();
    impl_->thread.join();
  }
  if (impl_->fd >= 0) close(impl_->fd);
}

bool TerminationWatch::Running() const { return impl_->thread.joinable(); }

}  // namespace bx
