#pragma once
// A byte stream to one open device (a serial port or a TCP connection) with the waits
// the link threads need. Every wait also watches a stop event so that a thread told to
// end never stays blocked on the device.
#include <cstddef>

#include "platform/WaitEvent.h"

namespace bx {

enum class WaitResult {
  Ready,     // the device can be read (or written)
  Stopped,   // the stop event is set
  TimedOut,  // nothing happened within the time given
  HungUp,    // the device went away or the peer closed: no more input will come
};

class Stream {
 public:
  virtual ~Stream() = default;

  // Blocks until input may be read, the stop event is set, the device hangs up, or
  // timeoutMs (-1: no limit) passes.
  virtual WaitResult WaitReadable(const WaitEvent& stop, int timeoutMs) = 0;
  virtual WaitResult WaitWritable(const WaitEvent& stop, int timeoutMs) = 0;

  // Never block. Answer the bytes moved (> 0), 0 when the device has nothing now or
  // takes nothing now, or -1 when the device failed or reached its end.
  virtual long Read(char* buffer, std::size_t size) = 0;
  virtual long Write(const char* data, std::size_t size) = 0;

  // Releases the device; later calls fail. Also done by the destructor.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
};

}  // namespace bx
