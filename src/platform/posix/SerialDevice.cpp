#include "platform/SerialDevice.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/PollWait.h"

namespace bx {

std::string SerialDevicePath(const std::string& portName) { return portName; }

std::string SerialAccessRemedy() { return "add your user to the dialout group and log in again"; }

static SerialOpenStatus StatusOfOpenError(int err) {
  switch (err) {
    case EBUSY:
    case EWOULDBLOCK:
      return SerialOpenStatus::Busy;
    case EACCES:
    case EPERM:
    case EROFS:
      return SerialOpenStatus::Denied;
    default:
      return SerialOpenStatus::Missing;  // ENOENT, ENODEV, ENXIO, EIO, ENOTDIR...
  }
}

// Raw mode as cfmakeraw makes it, minus its c_cflag part: the character size and
// parity belong to the line settings, which stay as the driver has them.
static void MakeRaw(termios& t) {
  t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
  t.c_oflag &= ~OPOST;
  t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
}

SerialOpenResult SerialDevice::Open(const std::string& path) {
  SerialOpenResult result;
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    result.systemError = errno;
    result.status = StatusOfOpenError(errno);
    return result;
  }
  auto fail = [&](SerialOpenStatus status) {
    result.systemError = errno;
    result.status = status;
    ::close(fd);  // also drops a lock we may hold
    return std::move(result);
  };
  // TIOCEXCL keeps out other openers but not root; the advisory lock is what other
  // well-behaved programs (and a second copy of ours) respect whoever they run as.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    return fail(errno == EWOULDBLOCK ? SerialOpenStatus::Busy : SerialOpenStatus::SetupFailed);
  }
  termios t{};
  if (::tcgetattr(fd, &t) != 0) return fail(SerialOpenStatus::SetupFailed);
  if (::ioctl(fd, TIOCEXCL) != 0) return fail(SerialOpenStatus::SetupFailed);
  MakeRaw(t);
  if (::tcsetattr(fd, TCSANOW, &t) != 0 || ::tcflush(fd, TCIOFLUSH) != 0) {
    ::ioctl(fd, TIOCNXCL);
    return fail(SerialOpenStatus::SetupFailed);
  }
  result.device.reset(new SerialDevice(fd, path));
  result.status = SerialOpenStatus::Ok;
  return result;
}

struct SerialDevice::Io {};  // POSIX needs nothing beside the descriptor

SerialDevice::SerialDevice(std::intptr_t handle, std::string path) : handle_(handle), path_(std::move(path)) {}

SerialDevice::~SerialDevice() { Close(); }

void SerialDevice::Close() {
  if (handle_ < 0) return;
  int fd = static_cast<int>(handle_);
  handle_ = -1;
  ::ioctl(fd, TIOCNXCL);
  ::close(fd);
}

WaitResult SerialDevice::WaitReadable(const WaitEvent& stop, int timeoutMs) {
  if (handle_ < 0) return WaitResult::HungUp;
  return posix::PollWithStop(static_cast<int>(handle_), POLLIN, stop, timeoutMs);
}

WaitResult SerialDevice::WaitWritable(const WaitEvent& stop, int timeoutMs) {
  if (handle_ < 0) return WaitResult::HungUp;
  return posix::PollWithStop(static_cast<int>(handle_), POLLOUT, stop, timeoutMs);
}

// A tty in raw mode with VMIN 1 reads 0 bytes only after a hang-up.
long SerialDevice::Read(char* buffer, std::size_t size) {
  if (handle_ < 0) return -1;
  for (;;) {
    ssize_t n = ::read(static_cast<int>(handle_), buffer, size);
    if (n > 0) return static_cast<long>(n);
    if (n == 0) return -1;
    if (errno == EINTR) continue;
    return (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : -1;
  }
}

long SerialDevice::Write(const char* data, std::size_t size) {
  if (handle_ < 0) return -1;
  for (;;) {
    ssize_t n = ::write(static_cast<int>(handle_), data, size);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    return (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : -1;
  }
}

}  // namespace bx
