#include "platform/PtyMaster.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "platform/posix/HandleIo.h"

namespace bx {
namespace {

struct Owned {
  int fd = -1;
  explicit Owned(int f) : fd(f) {}
  ~Owned() {
    if (fd >= 0) ::close(fd);
  }
  int release() {
    const int f = fd;
    fd = -1;
    return f;
  }
};

void MakeRaw(int fd) {
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) return;
  ::cfmakeraw(&tio);
  ::tcsetattr(fd, TCSANOW, &tio);
}

// Opens and closes of the slave by others; the master's own descriptor is already open.
int WatchSlave(const char* name) {
  Owned w(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  if (w.fd < 0 || ::inotify_add_watch(w.fd, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) return -1;
  return w.release();
}

}  // namespace

std::unique_ptr<PtyMaster> PtyMaster::Open(std::string* error) {
  auto fail = [&](const char* what) {
    if (error) *error = posix::ErrnoText(what);
    return nullptr;
  };
  Owned m(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (m.fd < 0) return fail("posix_openpt");
  if (::grantpt(m.fd) != 0 || ::unlockpt(m.fd) != 0) return fail("unlockpt");
  char name[128];
  if (::ptsname_r(m.fd, name, sizeof name) != 0) return fail("ptsname_r");
  Owned s(::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (s.fd < 0) return fail("open slave");
  MakeRaw(s.fd);
  const int w = WatchSlave(name);
  return std::unique_ptr<PtyMaster>(new PtyMaster(m.release(), s.release(), w, name));
}

PtyMaster::~PtyMaster() {
  for (std::intptr_t fd : {watch_, slave_, master_})
    if (fd >= 0) ::close(static_cast<int>(fd));
}

std::vector<PtyMaster::SlaveEvent> PtyMaster::TakeSlaveEvents() {
  std::vector<SlaveEvent> events;
  if (watch_ < 0) return events;
  alignas(inotify_event) char buf[4096];
  for (;;) {
    const ssize_t n = ::read(static_cast<int>(watch_), buf, sizeof buf);
    if (n <= 0) return events;
    for (ssize_t off = 0; off + ssize_t(sizeof(inotify_event)) <= n;) {
      const auto* ev = reinterpret_cast<const inotify_event*>(buf + off);
      off += ssize_t(sizeof(inotify_event) + ev->len);
      if (ev->mask & IN_OPEN) events.push_back(SlaveEvent::Opened);
      if (ev->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) events.push_back(SlaveEvent::Closed);
    }
  }
}

void PtyMaster::ResetSlave() {
  ::tcflush(static_cast<int>(slave_), TCIFLUSH);
  ::ioctl(static_cast<int>(slave_), TIOCNXCL);
}

bool PtyMaster::ReadAvailable(std::string& out, std::size_t max) {
  return posix::ReadAvailable(static_cast<int>(master_), out, max);
}

bool PtyMaster::WritePending(std::string& pending) {
  return posix::WritePending(static_cast<int>(master_), pending, false);
}

}  // namespace bx
