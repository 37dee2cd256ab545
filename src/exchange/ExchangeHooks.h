#pragma once
// What the pages that take part in an exchange's states do for it: the Test page shows
// the self-test's reply as it arrives and judges it; the Update page starts the updater
// on the exchange's link and shows the bootloader's refusal. Each page connects itself
// to the exchange when it is made. The window's presenter shows the exchange's course.
#include <string>

#include "core/Bytes.h"
#include "links/Link.h"
#include "ui/Controls.h"

namespace bx {

struct LiveCursor;

class LiveReply {
 public:
  virtual ~LiveReply() = default;
  // The bytes received so far of the reply shown in `pane`.
  virtual void RenderLive(ui::TMemo& pane, const Bytes& rx, LiveCursor& cursor) = 0;
  // The reply is complete (`reply`: the frame's body): the verdict.
  virtual void TestDone(const Bytes& reply) = 0;
};

class UploadStarter {
 public:
  virtual ~UploadStarter() = default;
  // The adapter accepted the update request: true when the upload began on `link`.
  virtual bool StartUpdater(Link& link) = 0;
  // The adapter refused to enter its bootloader (what it answered).
  virtual void UpdateRefused(const Bytes& answer) = 0;
};

// What the window shows of an exchange's course: which controls wait while it runs and
// come back at its end, the status strip's port, command and marquee. The exchange tells
// where it is; the presenter decides what the controls do.
class ExchangeView {
 public:
  virtual ~ExchangeView() = default;
  // The port `portText` is being opened.
  virtual void Opening(const std::string& portText) = 0;
  // The open has ended, opened or not.
  virtual void OpenEnded() = 0;
  // The port is open and the operation begins on it.
  virtual void Busy() = 0;
  // The pages may be used again while the operation goes on (an upload's).
  virtual void PagesUsable() = 0;
  // The command as sent.
  virtual void CommandSent(const std::string& command) = 0;
  // The operation has ended; the controls come back.
  virtual void Ended() = 0;
  // The status strip no longer names a port (none opened, or no adapter known).
  virtual void PortCleared() = 0;
};

}  // namespace bx
