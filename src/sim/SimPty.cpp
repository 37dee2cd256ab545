#include "sim/SimPty.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "sim/SimPoll.h"

namespace bx::sim {

struct PtyAdapter::Impl {
  explicit Impl(Adapter& a) : adapter(a) {}

  bool MakePair(std::string* error);
  void Loop();
  void OnWatch();
  void Feed(const std::string& in);
  void EndSession();
  void Hangup();
  void SetClientOpen(bool open) {
    std::lock_guard<std::mutex> lock(mu);
    clientOpen = open;
  }

  Adapter& adapter;
  SteadyClock clock;
  Waker waker;
  std::thread thread;
  std::atomic<bool> stop{false};
  std::atomic<bool> running{false};

  mutable std::mutex mu;  // guards the three below
  std::string path;
  int generation = 0;
  bool clientOpen = false;

  // Owned by the thread once it runs.
  Fd master, held, watchFd;
  int opens = 0;
  std::unique_ptr<Session> session;
  std::string pending;
};

bool PtyAdapter::Impl::MakePair(std::string* error) {
  auto fail = [&](const char* what) {
    if (error) *error = ErrnoText(what);
    return false;
  };
  Fd m(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!m.valid()) return fail("posix_openpt");
  if (::grantpt(m.get()) != 0 || ::unlockpt(m.get()) != 0) return fail("unlockpt");
  char name[128];
  if (::ptsname_r(m.get(), name, sizeof name) != 0) return fail("ptsname_r");
  Fd s(::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!s.valid()) return fail("open slave");
  // Raw from the start, so that nothing echoes or rewrites line ends before the program
  // has set the port up itself.
  termios tio{};
  if (::tcgetattr(s.get(), &tio) == 0) {
    ::cfmakeraw(&tio);
    ::tcsetattr(s.get(), TCSANOW, &tio);
  }
  // Opens and closes of the slave by others; the simulator's own descriptor is already open.
  Fd w(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  if (w.valid() && ::inotify_add_watch(w.get(), name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) w.reset();
  master = std::move(m);
  held = std::move(s);
  watchFd = std::move(w);
  opens = 0;
  SetClientOpen(false);
  std::lock_guard<std::mutex> lock(mu);
  path = name;
  return true;
}

void PtyAdapter::Impl::Feed(const std::string& in) {
  pending += session->Step(in, clock.Now());
  // Nobody has the port open: what the adapter says is lost on the line.
  if (watchFd.valid() && opens == 0) pending.clear();
}

void PtyAdapter::Impl::EndSession() {
  // The program let go: replies it left unread are lost with the port, and an exclusive
  // flag it left set must not lock out the next open.
  pending.clear();
  ::tcflush(held.get(), TCIFLUSH);
  ::ioctl(held.get(), TIOCNXCL);
}

void PtyAdapter::Impl::OnWatch() {
  alignas(inotify_event) char buf[4096];
  for (;;) {
    const ssize_t n = ::read(watchFd.get(), buf, sizeof buf);
    if (n <= 0) return;
    for (ssize_t off = 0; off < n;) {
      const auto* ev = reinterpret_cast<const inotify_event*>(buf + off);
      off += ssize_t(sizeof(inotify_event) + ev->len);
      if (ev->mask & IN_OPEN) {
        if (opens++ == 0) {
          // A fresh connection: the bootloader's prompt, if any, is timed from here.
          pending.clear();
          session = adapter.NewSession(clock.Now());
          SetClientOpen(true);
        }
      } else if (ev->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) {
        if (opens > 0 && --opens == 0) {
          EndSession();
          SetClientOpen(false);
        }
      }
    }
  }
}

void PtyAdapter::Impl::Hangup() {
  watchFd.reset();
  held.reset();
  master.reset();
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
  std::vector<pollfd> fds(3);
  while (!stop) {
    const auto wake = session->NextWake(clock.Now());
    fds[0] = {master.get(), short(POLLIN | (pending.empty() ? 0 : POLLOUT)), 0};
    fds[1] = {waker.fd(), POLLIN, 0};
    fds[2] = {watchFd.valid() ? watchFd.get() : -1, POLLIN, 0};
    if (!PollUntil(fds, wake, clock)) break;
    if (fds[1].revents) waker.Drain();
    if (stop) break;
    // Opens and closes first: bytes read below were written after any open queued so far.
    if (watchFd.valid()) OnWatch();
    std::string in;
    bool alive = true;
    if (fds[0].revents & POLLIN) alive = ReadAvailable(master.get(), in);
    if (fds[0].revents & (POLLERR | POLLNVAL)) alive = false;
    Feed(in);
    if (session->Disconnected() || !alive) {
      Hangup();
      continue;
    }
    if (!pending.empty()) WritePending(master.get(), pending);
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
  if (!impl_->waker.valid()) {
    if (error) *error = "eventfd failed";
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
  impl_->waker.Wake();
  impl_->thread.join();
  impl_->watchFd.reset();
  impl_->held.reset();
  impl_->master.reset();
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
