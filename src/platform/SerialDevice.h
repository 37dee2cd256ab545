#pragma once
// A serial port opened for the links: exclusive (no other program, root included, can
// open it while we hold it), in raw byte mode, with both driver queues purged. The line
// settings (baud rate, data bits, parity, stop bits, flow control) are left as the
// driver has them.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Stream.h"

namespace bx {

enum class SerialOpenStatus {
  Ok,
  Missing,      // no such device
  Busy,         // another program holds it open
  Denied,       // no permission
  SetupFailed,  // opened, but it is no serial port or would not take the settings
};

const char* SerialOpenStatusText(SerialOpenStatus s);

class SerialDevice;

struct SerialOpenResult {
  std::unique_ptr<SerialDevice> device;  // set only with Ok
  SerialOpenStatus status = SerialOpenStatus::Missing;
  int systemError = 0;  // the OS error number behind a failure
};

// The device path for a port name: the name itself on POSIX, "\\.\" + name on Windows.
std::string SerialDevicePath(const std::string& portName);

// What a user does about a serial port the system refuses to open for lack of permission
// (on Debian and Ubuntu: the "dialout" group); empty where there is no such advice.
std::string SerialAccessRemedy();

class SerialDevice : public Stream {
 public:
  static SerialOpenResult Open(const std::string& path);

  ~SerialDevice() override;
  SerialDevice(const SerialDevice&) = delete;
  SerialDevice& operator=(const SerialDevice&) = delete;

  WaitResult WaitReadable(const WaitEvent& stop, int timeoutMs) override;
  WaitResult WaitWritable(const WaitEvent& stop, int timeoutMs) override;
  long Read(char* buffer, std::size_t size) override;
  long Write(const char* data, std::size_t size) override;
  void Close() override;  // also lifts the exclusive hold
  bool IsOpen() const override { return handle_ >= 0; }

  const std::string& path() const { return path_; }

 private:
  // The backend's state beside the handle (the Windows backend's overlapped operations).
  struct Io;
  SerialDevice(std::intptr_t handle, std::string path);
  std::intptr_t handle_ = -1;
  std::string path_;
  std::unique_ptr<Io> io_;
};

}  // namespace bx
