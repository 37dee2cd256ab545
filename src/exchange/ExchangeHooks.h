#pragma once
// What the pages that take part in an exchange's states do for it: the Test page shows
// the self-test's reply as it arrives and judges it; the Update page starts the updater
// on the exchange's link and shows the bootloader's refusal. Each page connects itself
// to the exchange when it is made.
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
  // The reply is complete: the verdict.
  virtual void TestDone() = 0;
};

class UploadStarter {
 public:
  virtual ~UploadStarter() = default;
  // The adapter accepted the update request: true when the upload began on `link`.
  virtual bool StartUpdater(Link& link) = 0;
  // The adapter refused to enter its bootloader (what it answered).
  virtual void UpdateRefused(const Bytes& answer) = 0;
};

}  // namespace bx
