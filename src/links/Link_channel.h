#pragma once
// The base of the device links. Each link keeps, on a scan thread of its own, the list
// of ports it can reach (rebuilt whenever what it watches changes), and opens one port at
// a time: a receive thread fills a receive buffer, a transmit thread drains a transmit
// buffer, and the callers on the main thread queue bytes with Write and take received
// bytes with ReadAvailable or ReadUntil. The channel only moves bytes; the one framing it
// knows is the terminator search of ReadUntil.
//
// Threads: the scan thread holds ScanLock for a whole pass and ListLock (taken inside
// ScanLock, never the other way round) while it rebuilds the rows. The receive buffer has
// one producer (the receive thread) and one consumer: every read is made from one thread,
// the main thread. The device is written by whoever holds the transmit turn (TxIdleEvent):
// Write, while the transmit thread is idle, writes what the device takes at once without
// blocking and hands only the rest to the transmit thread. Write, Open and Close are not
// called at the same time from different threads.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "core/PortList.h"
#include "links/Link.h"
#include "links/LinkTrace.h"
#include "platform/Stream.h"

namespace bx {

class Registry;

inline constexpr int kLinkBufferSize = 262144;  // each of the receive and transmit buffers
inline constexpr int kReadUntilLimit = 65536;
inline constexpr int kTxTimeoutMs = 1000;  // a batch that makes no progress this long is dropped

// Why the last Open failed, for callers that want to say more than "can't open".
enum class OpenError {
  None,
  NotOwned,     // the port name is not this link's
  BadName,      // a network name without host, colon or decimal port
  Missing,      // no such device
  Busy,         // another program holds the port
  Denied,       // no permission
  SetupFailed,  // opened, but it would not take the settings
  Unresolved,   // the host name did not resolve
  Refused,      // the host refused the connection
  TimedOut,     // no answer within the connect bound
  Unreachable,  // no route to the host
  NoResources,  // no event, thread or memory to be had
  Failed,       // anything else
};

const char* OpenErrorText(OpenError e);

struct LinkSession;

class TLink_Channel : public Link {
 public:
  ~TLink_Channel() override;
  TLink_Channel(const TLink_Channel&) = delete;
  TLink_Channel& operator=(const TLink_Channel&) = delete;

  // Link. The port name is set before Open, never while an Open runs.
  const std::string& PortName() const override { return portName_; }
  void SetPortName(const std::string& name) override { portName_ = name; }
  bool OwnsPort(const std::string& name) const override;  // byte-exact prefix match
  bool Open() override;
  bool Close() override;
  bool IsOpen() const override;
  bool Write(const Bytes& text) override;
  int PendingWrite() const override;
  int BytesAvailable() const override;
  bool ReadAvailable(Bytes& out) override;
  bool ReadUntil(Bytes& text, int timeoutMs) override;
  bool HungUp() const override;
  void SetDataNotify(std::function<void()> notify) override;

  // Where every chunk written and read goes from the next Open on (null: nowhere, the
  // default). The trace must outlive the link's open port.
  void SetTrace(LinkTrace* trace) { trace_.store(trace); }
  LinkTrace* Trace() const { return trace_.load(); }

  OpenError LastOpenError() const { return lastOpenError_.load(); }
  std::string OpenFailureText() const override;
  bool OpenFailedBusy() const override { return LastOpenError() == OpenError::Busy; }

  const std::string& Prefix() const { return prefix_; }
  int ScanInterval() const { return scanInterval_; }
  const std::string& WatchKey() const { return watchKey_; }

  // Adds this link's rows of the last scan pass to `lists` (AddPort), under ListLock.
  void MergeRowsInto(PortLists& lists) const;

  // Blocks until a scan pass has ended; with `fresh`, until one has ended that began
  // after the call (the scan thread is woken for it rather than waited for). False when
  // no pass ended within a few scan intervals. A link without scan thread runs the
  // pass on the caller's thread.
  bool WaitScan(bool fresh);
  // WaitScan, then keeps the scan away until Unlock: for reading raw scan data.
  void Lock(bool fresh);
  void Unlock();
  bool ScanDone() const { return scanDone_.load(); }
  // One scan pass on the caller's thread.
  void ScanOnce();

 protected:
  // `registry` (may be null) is read under HKEY_LOCAL_MACHINE: the default change test
  // looks at the last-write time of `watchKey` there.
  TLink_Channel(std::string prefix, int scanIntervalMs, std::string watchKey, Registry* registry);

  // The scan thread calls the overrides below, so a derived constructor starts it as
  // its last step and a derived destructor stops it as its first.
  void Resume();
  void StopScan();

  // True when the port list must be rebuilt: the watched stamp is missing (so a link
  // whose source is absent rebuilds, empty, every pass) or differs from the last one.
  virtual bool KeyChanged();
  virtual void AfterScan() {}
  virtual bool LoadSource() { return false; }
  virtual int FillLists(PortLists& lists);
  // Opens the device named by PortName(); nullptr (after SetOpenError) on failure.
  virtual std::unique_ptr<Stream> OpenDevice() { return nullptr; }
  // The change stamp of what the scan watches: by default the last-write time of
  // WatchKey under HKEY_LOCAL_MACHINE; nullopt when it is missing.
  virtual std::optional<uint64_t> ReadWatchStamp();

  void SetOpenError(OpenError e) { lastOpenError_.store(e); }
  Registry* registry() const { return registry_; }

 private:
  bool CloseLocked();
  std::shared_ptr<LinkSession> Current() const;
  void ScanLoop();
  void ScanPass();
  void ReceiveLoop(LinkSession& s);
  void TransmitLoop(LinkSession& s);
  void NotifyData();

  const std::string prefix_;
  std::string portName_;
  const int scanInterval_;
  const std::string watchKey_;
  Registry* const registry_;
  std::optional<uint64_t> WatchStamp;  // at the last rebuild; none before the first

  mutable std::mutex ScanLock;
  mutable std::mutex ListLock;
  PortLists Lists;  // Names, Descriptions, Details of the last rebuild

  // Scan thread state: pass numbers let a fresh WaitScan tell a pass that began after
  // it from one already running.
  std::thread scanThread_;
  bool hasScanThread_ = false;
  std::mutex stateMu_;
  std::condition_variable scanWake_;  // ScanStopEvent and the fresh-wait kick
  std::condition_variable passEnded_;
  bool ScanStopEvent = false;
  bool kick_ = false;
  uint64_t passesStarted_ = 0;
  uint64_t passesEnded_ = 0;
  std::atomic<bool> scanDone_{false};

  // The open port: its device, events, buffers and threads. Open and Close are
  // serialised by openMu_; the session pointer itself is guarded by sessionMu_.
  std::mutex openMu_;
  mutable std::mutex sessionMu_;
  std::shared_ptr<LinkSession> session_;
  std::atomic<OpenError> lastOpenError_{OpenError::None};
  std::atomic<LinkTrace*> trace_{nullptr};

  std::mutex notifyMu_;
  std::function<void()> notify_;
};

}  // namespace bx
