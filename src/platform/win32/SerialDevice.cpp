// Serial ports on Windows: "\\.\COMn" opened for overlapped I/O with no sharing. Reads
// take what the driver holds at once (read interval time-out MAXDWORD, no totals); the
// receive thread learns of new bytes from an overlapped WaitCommEvent on EV_RXCHAR.
// A write hands its bytes to one overlapped WriteFile of a buffer the device owns until
// it completes; the next write (or a wait for room) waits for that completion.
#include "platform/SerialDevice.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/win32/Win32.h"

namespace bx {

std::string SerialDevicePath(const std::string& portName) { return "\\\\.\\" + portName; }

std::string SerialAccessRemedy() { return {}; }

namespace {

constexpr DWORD kInputQueue = 16384;
constexpr DWORD kOutputQueue = 2048;
constexpr std::size_t kWriteChunk = 65536;

HANDLE H(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

// A port held open by another program answers "access denied" on Windows and "sharing
// violation" under some emulations of it.
SerialOpenStatus StatusOfOpenError(DWORD err) {
  switch (err) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
      return SerialOpenStatus::Busy;
    default:
      return SerialOpenStatus::Missing;
  }
}

// One overlapped operation with its own manual-reset event.
struct Operation {
  OVERLAPPED ov{};
  win32::Handle event{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  bool pending = false;
  void Start() {
    ov = OVERLAPPED{};
    ov.hEvent = event.get();
  }
};

}  // namespace

struct SerialDevice::Io {
  Operation commWait;  // WaitCommEvent, on the receive thread
  DWORD mask = 0;
  bool polled = false;  // the driver reports no character events: WaitReadable polls
  Operation read;       // ReadFile, on the receive thread
  Operation write;      // WriteFile, on whichever thread holds the transmit turn
  std::vector<char> writeBuffer;
  bool Valid() const { return commWait.event.Valid() && read.event.Valid() && write.event.Valid(); }
};

SerialDevice::SerialDevice(std::intptr_t handle, std::string path)
    : handle_(handle), path_(std::move(path)), io_(std::make_unique<Io>()) {}

SerialOpenResult SerialDevice::Open(const std::string& path) {
  SerialOpenResult result;
  HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                           nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    result.systemError = static_cast<int>(::GetLastError());
    result.status = StatusOfOpenError(::GetLastError());
    return result;
  }
  COMMTIMEOUTS t{};
  t.ReadIntervalTimeout = MAXDWORD;
  const bool ok = ::SetCommTimeouts(h, &t) && ::SetupComm(h, kInputQueue, kOutputQueue) &&
                  ::SetCommMask(h, EV_RXCHAR) && ::PurgeComm(h, PURGE_TXCLEAR | PURGE_RXCLEAR);
  if (!ok) {
    result.systemError = static_cast<int>(::GetLastError());
    result.status = SerialOpenStatus::SetupFailed;
    ::CloseHandle(h);
    return result;
  }
  result.device.reset(new SerialDevice(reinterpret_cast<std::intptr_t>(h), path));
  if (!result.device->io_->Valid()) {
    result.device.reset();
    result.status = SerialOpenStatus::SetupFailed;
    return result;
  }
  result.status = SerialOpenStatus::Ok;
  return result;
}

SerialDevice::~SerialDevice() { Close(); }

// Outstanding operations are cancelled and waited for before their records and buffers
// go: the system writes into them until they complete.
void SerialDevice::Close() {
  if (handle_ < 0) return;
  HANDLE h = H(handle_);
  handle_ = -1;
  ::SetCommMask(h, 0);
  ::CancelIoEx(h, nullptr);
  for (Operation* op : {&io_->commWait, &io_->read, &io_->write}) {
    if (!op->pending) continue;
    DWORD n = 0;
    ::GetOverlappedResult(h, &op->ov, &n, TRUE);
    op->pending = false;
  }
  ::CloseHandle(h);
}

namespace {

// Waits for the operation's event or the stop event; Ready when the operation completed.
WaitResult AwaitOperation(HANDLE h, Operation& op, const WaitEvent& stop, int timeoutMs, bool& failed) {
  HANDLE handles[2] = {reinterpret_cast<HANDLE>(stop.NativeHandle()), op.event.get()};
  const DWORD r = ::WaitForMultipleObjects(2, handles, FALSE, timeoutMs < 0 ? INFINITE : DWORD(timeoutMs));
  if (r == WAIT_OBJECT_0) return WaitResult::Stopped;
  if (r == WAIT_TIMEOUT) return WaitResult::TimedOut;
  if (r != WAIT_OBJECT_0 + 1) return WaitResult::HungUp;
  DWORD n = 0;
  failed = !::GetOverlappedResult(h, &op.ov, &n, FALSE);
  if (failed && ::GetLastError() == ERROR_IO_INCOMPLETE) return WaitResult::TimedOut;
  op.pending = false;
  return WaitResult::Ready;
}

}  // namespace

namespace {

// What the driver holds: Ready with bytes, TimedOut without, HungUp when the device is gone.
WaitResult QueueState(HANDLE h) {
  COMSTAT st{};
  DWORD errors = 0;
  if (!::ClearCommError(h, &errors, &st)) return WaitResult::HungUp;
  return st.cbInQue > 0 ? WaitResult::Ready : WaitResult::TimedOut;
}

// For a driver that reports no character events: the queue is looked at every few
// milliseconds, sleeping on the stop event in between.
WaitResult PollQueue(HANDLE h, const WaitEvent& stop, int timeoutMs) {
  constexpr DWORD kSliceMs = 5;
  const ULONGLONG deadline = ::GetTickCount64() + ULONGLONG(timeoutMs < 0 ? 0 : timeoutMs);
  const HANDLE stopHandle = reinterpret_cast<HANDLE>(stop.NativeHandle());
  for (;;) {
    const WaitResult q = QueueState(h);
    if (q != WaitResult::TimedOut) return q;
    const ULONGLONG now = ::GetTickCount64();
    if (timeoutMs >= 0 && now >= deadline) return WaitResult::TimedOut;
    const DWORD slice = timeoutMs < 0 ? kSliceMs : DWORD(std::min<ULONGLONG>(kSliceMs, deadline - now));
    if (::WaitForSingleObject(stopHandle, slice) == WAIT_OBJECT_0) return WaitResult::Stopped;
  }
}

}  // namespace

// Bytes already in the driver's queue answer at once: a character event is only
// reported for what arrives while a wait is set up. A driver whose event wait fails
// while the device is still there cannot report events at all (Wine's serial driver on
// a pseudo-terminal ends every wait at once, failing, as it cannot read the modem
// lines); such a device is polled for the rest of its life instead of being taken for
// hung up.
WaitResult SerialDevice::WaitReadable(const WaitEvent& stop, int timeoutMs) {
  if (handle_ < 0) return WaitResult::HungUp;
  HANDLE h = H(handle_);
  Io& io = *io_;
  for (;;) {
    if (io.polled) return PollQueue(h, stop, timeoutMs);
    if (!io.commWait.pending) {
      const WaitResult q = QueueState(h);
      if (q != WaitResult::TimedOut) return q;
      io.commWait.Start();
      io.mask = 0;
      if (::WaitCommEvent(h, &io.mask, &io.commWait.ov)) continue;  // an event at once: look again
      if (::GetLastError() != ERROR_IO_PENDING) {
        io.polled = true;
        continue;
      }
      io.commWait.pending = true;
    }
    bool failed = false;
    const WaitResult w = AwaitOperation(h, io.commWait, stop, timeoutMs, failed);
    if (w != WaitResult::Ready) return w;
    if (failed) io.polled = true;
    if (io.mask & EV_RXCHAR) return WaitResult::Ready;
  }
}

WaitResult SerialDevice::WaitWritable(const WaitEvent& stop, int timeoutMs) {
  if (handle_ < 0) return WaitResult::HungUp;
  if (!io_->write.pending) return WaitResult::Ready;
  bool failed = false;
  const WaitResult w = AwaitOperation(H(handle_), io_->write, stop, timeoutMs, failed);
  return w == WaitResult::Ready && failed ? WaitResult::HungUp : w;
}

long SerialDevice::Read(char* buffer, std::size_t size) {
  if (handle_ < 0) return -1;
  HANDLE h = H(handle_);
  Operation& op = io_->read;
  op.Start();
  DWORD n = 0;
  const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, MAXDWORD));
  if (!::ReadFile(h, buffer, want, &n, &op.ov)) {
    if (::GetLastError() != ERROR_IO_PENDING) return -1;
    // With these time-outs the read completes at once with what the driver holds.
    op.pending = true;
    const BOOL done = ::GetOverlappedResult(h, &op.ov, &n, TRUE);
    op.pending = false;
    if (!done) return -1;
  }
  return static_cast<long>(n);
}

long SerialDevice::Write(const char* data, std::size_t size) {
  if (handle_ < 0) return -1;
  HANDLE h = H(handle_);
  Operation& op = io_->write;
  if (op.pending) {
    DWORD done = 0;
    if (!::GetOverlappedResult(h, &op.ov, &done, FALSE)) return ::GetLastError() == ERROR_IO_INCOMPLETE ? 0 : -1;
    op.pending = false;
  }
  const std::size_t n = std::min(size, kWriteChunk);
  io_->writeBuffer.assign(data, data + n);
  op.Start();
  DWORD written = 0;
  if (::WriteFile(h, io_->writeBuffer.data(), static_cast<DWORD>(n), &written, &op.ov))
    return static_cast<long>(written);
  if (::GetLastError() != ERROR_IO_PENDING) return -1;
  op.pending = true;  // the buffer is the device's until the write completes
  return static_cast<long>(n);
}

}  // namespace bx
