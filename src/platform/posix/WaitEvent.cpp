#include "platform/WaitEvent.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/posix/PollWait.h"

namespace bx {

// An eventfd in counter mode: Set adds one, a read takes the whole count, so any number
// of Sets before a wait count as one firing.
WaitEvent::WaitEvent(Mode mode) : mode_(mode) { handle_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC); }

WaitEvent::~WaitEvent() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

void WaitEvent::Set() {
  if (handle_ < 0) return;
  uint64_t one = 1;
  ssize_t r;
  do r = ::write(static_cast<int>(handle_), &one, sizeof one);
  while (r < 0 && errno == EINTR);
}

void WaitEvent::Reset() {
  if (handle_ < 0) return;
  uint64_t count;
  ssize_t r;
  do r = ::read(static_cast<int>(handle_), &count, sizeof count);
  while (r < 0 && errno == EINTR);
}

bool WaitEvent::IsSet() const {
  if (handle_ < 0) return false;
  pollfd p{static_cast<int>(handle_), POLLIN, 0};
  return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

bool WaitEvent::Wait(int timeoutMs) { return WaitAny({this}, timeoutMs) == 0; }

// A consuming read that finds nothing means another waiter took the firing first.
static bool Consume(int fd) {
  uint64_t count;
  ssize_t r;
  do r = ::read(fd, &count, sizeof count);
  while (r < 0 && errno == EINTR);
  return r == static_cast<ssize_t>(sizeof count);
}

int WaitAny(std::initializer_list<WaitEvent*> events, int timeoutMs) {
  std::vector<pollfd> fds;
  fds.reserve(events.size());
  for (WaitEvent* e : events) fds.push_back({static_cast<int>(e->NativeHandle()), POLLIN, 0});
  posix::PollClock clock(timeoutMs);
  for (;;) {
    int n = ::poll(fds.data(), fds.size(), clock.Left());
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) return -1;
    int i = 0;
    for (WaitEvent* e : events) {
      if (fds[i].revents & POLLIN) {
        if (e->mode() == WaitEvent::Mode::ManualReset || Consume(fds[i].fd)) return i;
      }
      ++i;
    }
    if (clock.Left() == 0) return -1;
  }
}

namespace posix {

WaitResult PollWithStop(int fd, short events, const WaitEvent& stop, int timeoutMs, short* revents) {
  pollfd fds[2] = {{static_cast<int>(stop.NativeHandle()), POLLIN, 0}, {fd, events, 0}};
  PollClock clock(timeoutMs);
  for (;;) {
    int n = ::poll(fds, 2, clock.Left());
    if (n < 0) {
      if (errno == EINTR) continue;
      return WaitResult::HungUp;
    }
    if (n == 0) return WaitResult::TimedOut;
    if (fds[0].revents & POLLIN) return WaitResult::Stopped;
    if (revents) *revents = fds[1].revents;
    if (fds[1].revents & events) return WaitResult::Ready;
    if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) return WaitResult::HungUp;
  }
}

}  // namespace posix
}  // namespace bx
