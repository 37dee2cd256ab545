#pragma once
// What the callers on the main thread need of an open device link. TLink_Channel (the
// serial and network links) implements it; tests script their own.
#include <functional>
#include <string>

#include "core/Bytes.h"

namespace bx {

class Link {
 public:
  virtual ~Link() = default;

  virtual const std::string& PortName() const = 0;
  virtual void SetPortName(const std::string& name) = 0;
  virtual bool OwnsPort(const std::string& name) const = 0;

  virtual bool Open() = 0;   // blocking: device open or network connect
  virtual bool Close() = 0;  // true when closed afterwards
  virtual bool IsOpen() const = 0;
  // Why the last Open failed, in words a user can act on ("permission denied: ..."); empty
  // when the link cannot tell.
  virtual std::string OpenFailureText() const { return {}; }
  // Whether the last Open failed because another program holds the port.
  virtual bool OpenFailedBusy() const { return false; }
  virtual bool Write(const Bytes& text) = 0;  // true when every byte was queued
  virtual int PendingWrite() const = 0;       // bytes queued and not yet written
  virtual int BytesAvailable() const = 0;
  virtual bool ReadAvailable(Bytes& out) = 0;  // out := all bytes available now
  // On entry `text` is the terminator, on return the bytes read; silence time-out.
  virtual bool ReadUntil(Bytes& text, int timeoutMs) = 0;

  // True once the device has hung up: the port went away, or the peer closed or reset
  // the connection, so no more bytes will come. The bytes received before stay available,
  // and a caller that asks before it reads gets every one of them with that read. Stays
  // true until the link is closed. A link that cannot tell answers false.
  virtual bool HungUp() const { return false; }

  // Called from the receive thread after every chunk that arrives and once when the
  // device hangs up (and nothing else may be done there but posting to the event loop).
  // Empty to switch it off.
  virtual void SetDataNotify(std::function<void()> notify) = 0;
};

}  // namespace bx
