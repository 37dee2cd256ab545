#pragma once
// A link whose far end is the test: it records every Write, hands out the bytes the test
// queues as received (optionally calling the data notify, as the receive thread would),
// and lets the test decide what Open, IsOpen, Write and PendingWrite report.
//
//   bx::test::ScriptedLink link;
//   link.openResult = true;                  // Open() succeeds
//   link.Receive(">");                       // queued and the data notify called
//   EXPECT_EQ(link.Written(), "<");          // everything written, joined
//   link.onWrite = [&](const bx::Bytes& b) { link.Receive(Reply(b), false); };
//
// Receive may be called from another thread; everything else belongs to the test thread.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/Bytes.h"
#include "links/Link.h"

namespace bx::test {

class ScriptedLink : public Link {
 public:
  // ---- scripting -------------------------------------------------------------------
  bool openResult = true;        // whether Open() opens the link
  std::string openFailure;       // what OpenFailureText() tells after a failed Open()
  bool writeResult = true;       // what Write() returns (the bytes are recorded either way)
  int pendingWrite = 0;          // what PendingWrite() reports
  std::string prefix = "/dev/";  // OwnsPort: names starting with it
  // Called after each Write has been recorded (a scripted far end answers here).
  std::function<void(const Bytes&)> onWrite;

  // Queues bytes as received; with `notify`, calls the registered data notify afterwards.
  void Receive(const Bytes& bytes, bool notify = true);
  void SetOpen(bool open) { open_ = open; }
  // The far end drops the line: closed, received bytes gone (Close() is not counted).
  void Drop();
  // The far end hangs up after sending `last`: the link stays open with those bytes
  // queued and HungUp() true until it is closed; the data notify is called, as the
  // receive thread does.
  void HangUp(const Bytes& last = {});

  // ---- what happened ---------------------------------------------------------------
  std::vector<Bytes> writes;  // every Write in order
  int openCalls = 0, closeCalls = 0;
  int notifySets = 0;                // SetDataNotify calls with a function
  int notifyClears = 0;              // SetDataNotify calls with an empty one
  mutable int availableQueries = 0;  // BytesAvailable calls
  Bytes Written() const;             // all writes joined
  Bytes TakeWritten();               // joined, and the record emptied
  bool HasNotify() const;
  std::size_t Queued() const;  // received bytes not yet read

  // ---- Link ------------------------------------------------------------------------
  const std::string& PortName() const override { return portName_; }
  void SetPortName(const std::string& name) override { portName_ = name; }
  bool OwnsPort(const std::string& name) const override { return StartsWith(name, prefix); }
  bool Open() override;
  bool Close() override;  // closes and forgets received bytes, as a real port does
  bool IsOpen() const override { return open_; }
  std::string OpenFailureText() const override { return open_ ? std::string() : openFailure; }
  bool Write(const Bytes& text) override;
  int PendingWrite() const override { return pendingWrite; }
  int BytesAvailable() const override;
  bool ReadAvailable(Bytes& out) override;
  // Takes the received bytes through the terminator, or all of them when the terminator
  // has not arrived, at most the real link's read limit; true when it took any. Never
  // waits: what is queued stands for everything the far end sent before falling silent.
  bool ReadUntil(Bytes& text, int timeoutMs) override;
  void SetDataNotify(std::function<void()> notify) override;
  bool HungUp() const override { return hungUp_; }

 private:
  mutable std::mutex mu_;
  Bytes rx_;
  std::function<void()> notify_;
  std::string portName_;
  std::atomic<bool> open_ = false;
  std::atomic<bool> hungUp_ = false;
};

}  // namespace bx::test
