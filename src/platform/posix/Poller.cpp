#include "platform/Poller.h"

#include <poll.h>
#include <time.h>

#include <algorithm>
#include <cerrno>

namespace bx {

bool PollHandles(std::vector<PollEntry>& entries, WaitEvent& waker, std::optional<std::chrono::nanoseconds> timeout,
                 bool& woken) {
  std::vector<pollfd> fds;
  fds.reserve(entries.size() + 1);
  fds.push_back({static_cast<int>(waker.NativeHandle()), POLLIN, 0});
  for (const auto& e : entries)
    fds.push_back({static_cast<int>(e.handle), short((e.read ? POLLIN : 0) | (e.write ? POLLOUT : 0)), 0});
  timespec ts{};
  timespec* tsp = nullptr;
  if (timeout) {
    const int64_t ns = std::max<int64_t>(0, timeout->count());
    ts.tv_sec = time_t(ns / 1000000000);
    ts.tv_nsec = long(ns % 1000000000);
    tsp = &ts;
  }
  woken = false;
  for (auto& e : entries) e.readable = e.writable = e.hungUp = false;
  if (::ppoll(fds.data(), nfds_t(fds.size()), tsp, nullptr) < 0) return errno == EINTR;
  if (fds[0].revents & POLLIN) {
    woken = true;
    waker.Reset();
  }
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const short r = fds[i + 1].revents;
    entries[i].readable = (r & POLLIN) != 0;
    entries[i].writable = (r & POLLOUT) != 0;
    entries[i].hungUp = (r & (POLLHUP | POLLERR | POLLNVAL)) != 0;
  }
  return true;
}

}  // namespace bx
