#include "links/Link_channel.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <system_error>

#include "core/Bytes.h"
#include "platform/Registry.h"
#include "platform/SerialDevice.h"

namespace bx {

std::string TLink_Channel::OpenFailureText() const {
  const OpenError e = LastOpenError();
  if (e == OpenError::None) return {};
  std::string text = OpenErrorText(e);
  if (e == OpenError::Denied) {
    const std::string remedy = SerialAccessRemedy();
    if (!remedy.empty()) text += ": " + remedy;
  }
  return text;
}

const char* OpenErrorText(OpenError e) {
  switch (e) {
    case OpenError::None:
      return "no error";
    case OpenError::NotOwned:
      return "port not served by this link";
    case OpenError::BadName:
      return "malformed port name";
    case OpenError::Missing:
      return "no such port";
    case OpenError::Busy:
      return "port in use by another program";
    case OpenError::Denied:
      return "permission denied";
    case OpenError::SetupFailed:
      return "port would not take its settings";
    case OpenError::Unresolved:
      return "host name not found";
    case OpenError::Refused:
      return "connection refused";
    case OpenError::TimedOut:
      return "no answer from the host";
    case OpenError::Unreachable:
      return "host unreachable";
    case OpenError::NoResources:
      return "out of system resources";
    case OpenError::Failed:
      return "open failed";
  }
  return "?";
}

// Receive block and transmit block of one open port. Each buffer is written by one side
// only between the hand-overs that the counters and events make: the receive thread
// stores bytes, then publishes RxCount (release); the consumer reads up to RxCount
// (acquire) and moves RxPos. Only when the buffer is full and the receive thread waits
// for RxDrainedEvent does the consumer reset both counters.
struct LinkSession {
  std::unique_ptr<Stream> device;
  // The wire trace of this open port and the port's name as traced (fixed at Open).
  LinkTrace* trace = nullptr;
  std::string port;
  void Trace(TraceDirection d, const char* data, long n) const {
    if (trace && n > 0) trace->Record(d, port, data, static_cast<std::size_t>(n));
  }
  WaitEvent StopEvent{WaitEvent::Mode::ManualReset};

  WaitEvent RxDataEvent{WaitEvent::Mode::AutoReset};
  WaitEvent RxDrainedEvent{WaitEvent::Mode::AutoReset};
  std::unique_ptr<char[]> rxBuffer{new char[kLinkBufferSize]};
  std::atomic<int> RxCount{0};
  std::atomic<int> RxPos{0};
  // Set by the receive thread after the last RxCount it will publish (release).
  std::atomic<bool> hungUp{false};
  std::thread rxThread;

  int TxTimeout = kTxTimeoutMs;
  WaitEvent TxQueuedEvent{WaitEvent::Mode::AutoReset};
  WaitEvent TxIdleEvent{WaitEvent::Mode::AutoReset};
  std::unique_ptr<char[]> txBuffer{new char[kLinkBufferSize]};
  std::atomic<int> TxCount{0};
  std::thread txThread;

  bool EventsValid() const {
    return StopEvent.Valid() && RxDataEvent.Valid() && RxDrainedEvent.Valid() && TxQueuedEvent.Valid() &&
           TxIdleEvent.Valid();
  }

  int Available() const { return std::max(0, RxCount.load(std::memory_order_acquire) - RxPos.load()); }

  // Moves up to `limit` received bytes to the end of `out`; answers how many.
  int Take(Bytes& out, int limit) {
    int count = RxCount.load(std::memory_order_acquire);
    int pos = RxPos.load();
    int n = std::min(count - pos, limit);
    if (n <= 0) return 0;
    out.append(rxBuffer.get() + pos, static_cast<std::size_t>(n));
    pos += n;
    if (pos == kLinkBufferSize) {
      RxPos.store(0);
      RxCount.store(0, std::memory_order_release);
      RxDrainedEvent.Set();
    } else {
      RxPos.store(pos);
    }
    return n;
  }

  void StopThreads() {
    StopEvent.Set();
    if (txThread.joinable()) txThread.join();
    if (rxThread.joinable()) rxThread.join();
  }
};

TLink_Channel::TLink_Channel(std::string prefix, int scanIntervalMs, std::string watchKey, Registry* registry)
    : prefix_(std::move(prefix)), scanInterval_(scanIntervalMs), watchKey_(std::move(watchKey)), registry_(registry) {}

TLink_Channel::~TLink_Channel() {
  Close();
  StopScan();
}

bool TLink_Channel::OwnsPort(const std::string& name) const { return StartsWith(name, prefix_); }

int TLink_Channel::FillLists(PortLists& lists) {
  (void)lists;
  return 0;
}

// ---- scan ----

void TLink_Channel::Resume() {
  if (hasScanThread_) return;
  hasScanThread_ = true;
  scanThread_ = std::thread([this] { ScanLoop(); });
}

void TLink_Channel::StopScan() {
  {
    std::lock_guard<std::mutex> g(stateMu_);
    ScanStopEvent = true;
  }
  scanWake_.notify_all();
  passEnded_.notify_all();
  if (scanThread_.joinable()) scanThread_.join();
}

void TLink_Channel::ScanLoop() {
  std::unique_lock<std::mutex> lk(stateMu_);
  while (!ScanStopEvent) {
    lk.unlock();
    ScanPass();
    lk.lock();
    scanWake_.wait_for(lk, std::chrono::milliseconds(scanInterval_), [this] { return ScanStopEvent || kick_; });
    kick_ = false;
  }
}

void TLink_Channel::ScanOnce() { ScanPass(); }

void TLink_Channel::ScanPass() {
  std::lock_guard<std::mutex> scan(ScanLock);
  uint64_t pass;
  {
    std::lock_guard<std::mutex> g(stateMu_);
    pass = ++passesStarted_;
  }
  // A store that throws (a value of the wrong type, a damaged database) costs this pass
  // its rebuild; it must not end the thread, and with it the program.
  try {
    if (KeyChanged()) {
      if (LoadSource()) {
        std::lock_guard<std::mutex> list(ListLock);
        Lists.clear();
        FillLists(Lists);
      }
      AfterScan();
    }
  } catch (const std::exception&) {
    WatchStamp.reset();
  }
  {
    std::lock_guard<std::mutex> g(stateMu_);
    passesEnded_ = pass;
    scanDone_.store(true);
  }
  passEnded_.notify_all();
}

bool TLink_Channel::KeyChanged() {
  std::optional<uint64_t> stamp = ReadWatchStamp();
  if (!stamp) return true;
  if (WatchStamp && *WatchStamp == *stamp) return false;
  WatchStamp = stamp;
  return true;
}

std::optional<uint64_t> TLink_Channel::ReadWatchStamp() {
  if (!registry_) return std::nullopt;
  return registry_->LastWriteTime(Hive::LocalMachine, watchKey_);
}

bool TLink_Channel::WaitScan(bool fresh) {
  if (!hasScanThread_) {
    if (fresh || !scanDone_.load()) ScanPass();
    return true;
  }
  std::unique_lock<std::mutex> lk(stateMu_);
  uint64_t target = passesStarted_ + 1;
  if (fresh) {
    scanDone_.store(false);
    kick_ = true;
    scanWake_.notify_all();
  }
  // A scan thread that has stopped must not hang the window.
  auto bound = std::chrono::milliseconds(std::max(5000, 4 * scanInterval_));
  return passEnded_.wait_for(lk, bound, [&] {
    return ScanStopEvent || (fresh ? passesEnded_ >= target : scanDone_.load());
  }) && !ScanStopEvent;
}

void TLink_Channel::Lock(bool fresh) {
  WaitScan(fresh);
  ScanLock.lock();
}

void TLink_Channel::Unlock() { ScanLock.unlock(); }

void TLink_Channel::MergeRowsInto(PortLists& lists) const {
  std::lock_guard<std::mutex> g(ListLock);
  for (std::size_t i = 0; i < Lists.size(); ++i)
    AddPort(lists, Lists.Names[i], Lists.Descriptions[i], Lists.Details[i]);
}

// ---- open and close ----

std::shared_ptr<LinkSession> TLink_Channel::Current() const {
  std::lock_guard<std::mutex> g(sessionMu_);
  return session_;
}

bool TLink_Channel::IsOpen() const { return Current() != nullptr; }

bool TLink_Channel::Open() {
  std::lock_guard<std::mutex> g(openMu_);
  SetOpenError(OpenError::None);
  if (!OwnsPort(portName_)) {
    SetOpenError(OpenError::NotOwned);
    return false;
  }
  if (!CloseLocked()) return false;
  std::shared_ptr<LinkSession> s;
  try {
    s = std::make_shared<LinkSession>();
  } catch (const std::bad_alloc&) {
    SetOpenError(OpenError::NoResources);
    return false;
  }
  if (!s->EventsValid()) {
    SetOpenError(OpenError::NoResources);
    return false;
  }
  s->trace = trace_.load();
  s->port = portName_;
  s->device = OpenDevice();
  if (!s->device) {
    if (LastOpenError() == OpenError::None) SetOpenError(OpenError::Failed);
    return false;
  }
  try {
    s->rxThread = std::thread([this, raw = s.get()] { ReceiveLoop(*raw); });
    s->txThread = std::thread([this, raw = s.get()] { TransmitLoop(*raw); });
  } catch (const std::system_error&) {
    s->StopThreads();
    s->device->Close();
    SetOpenError(OpenError::NoResources);
    return false;
  }
  std::lock_guard<std::mutex> sg(sessionMu_);
  session_ = std::move(s);
  return true;
}

bool TLink_Channel::Close() {
  std::lock_guard<std::mutex> g(openMu_);
  return CloseLocked();
}

bool TLink_Channel::CloseLocked() {
  std::shared_ptr<LinkSession> s;
  {
    std::lock_guard<std::mutex> g(sessionMu_);
    s = std::move(session_);
    session_.reset();
  }
  if (!s) return true;
  // Both threads watch StopEvent in every wait, so they end at once.
  s->StopThreads();
  s->device->Close();
  return true;
}

// ---- worker threads ----

void TLink_Channel::NotifyData() {
  std::lock_guard<std::mutex> g(notifyMu_);
  if (notify_) notify_();
}

void TLink_Channel::SetDataNotify(std::function<void()> notify) {
  std::lock_guard<std::mutex> g(notifyMu_);
  notify_ = std::move(notify);
}

void TLink_Channel::ReceiveLoop(LinkSession& s) {
  for (;;) {
    WaitResult w = s.device->WaitReadable(s.StopEvent, -1);
    if (w == WaitResult::Stopped) return;
    long n = 0;
    int count = s.RxCount.load(std::memory_order_acquire);
    if (w == WaitResult::Ready)
      n = s.device->Read(s.rxBuffer.get() + count, static_cast<std::size_t>(kLinkBufferSize - count));
    if (w != WaitResult::Ready || n < 0) {
      // The device has gone (or the peer closed): no input will come, and polling it
      // again would only spin. The link stays open until its owner closes it; the owner
      // is told, so that it can say so rather than wait for bytes that never come.
      s.hungUp.store(true, std::memory_order_release);
      NotifyData();
      s.StopEvent.Wait(-1);
      return;
    }
    if (n == 0) continue;
    s.Trace(TraceDirection::Read, s.rxBuffer.get() + count, n);
    count += static_cast<int>(n);
    s.RxCount.store(count, std::memory_order_release);
    s.RxDataEvent.Set();
    NotifyData();
    if (count < kLinkBufferSize) continue;
    // Full: the consumer resets both counters once it has taken everything.
    if (WaitAny({&s.StopEvent, &s.RxDrainedEvent}, -1) != 1) return;
  }
}

void TLink_Channel::TransmitLoop(LinkSession& s) {
  s.TxCount.store(0);
  s.TxIdleEvent.Set();
  for (;;) {
    if (WaitAny({&s.StopEvent, &s.TxQueuedEvent}, -1) != 1) return;
    const char* next = s.txBuffer.get();
    int left = s.TxCount.load(std::memory_order_acquire);
    bool stopped = false;
    auto lastProgress = std::chrono::steady_clock::now();
    while (left > 0) {
      auto idle =
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - lastProgress);
      int wait = s.TxTimeout - static_cast<int>(idle.count());
      WaitResult w = wait > 0 ? s.device->WaitWritable(s.StopEvent, wait) : WaitResult::TimedOut;
      if (w == WaitResult::Stopped) stopped = true;
      if (w != WaitResult::Ready) break;  // stopped, stuck for TxTimeout, or gone: drop the rest
      long n = s.device->Write(next, static_cast<std::size_t>(left));
      if (n < 0) break;
      if (n == 0) continue;
      s.Trace(TraceDirection::Written, next, n);
      next += n;
      left -= static_cast<int>(n);
      s.TxCount.store(left, std::memory_order_release);
      lastProgress = std::chrono::steady_clock::now();
    }
    s.TxCount.store(0, std::memory_order_release);
    s.TxIdleEvent.Set();
    if (stopped) return;
  }
}

// ---- the caller's side ----

bool TLink_Channel::Write(const Bytes& text) {
  std::shared_ptr<LinkSession> s = Current();
  if (!s) return text.empty();
  std::size_t sent = 0;
  while (sent < text.size()) {
    // The previous batch must have left before its buffer is refilled.
    if (WaitAny({&s->StopEvent, &s->TxIdleEvent}, kTxTimeoutMs) != 1) break;
    (void)s->TxCount.load(std::memory_order_acquire);  // pairs with the idle thread's release of the buffer
    // The transmit thread is idle and this caller holds its turn: what the device takes
    // at once (it never blocks) goes out from here, which spares handing every short
    // message to the transmit thread and waking it; only the rest is queued.
    // Chunks keep the size of the transmit buffer either way.
    const std::size_t chunk = std::min<std::size_t>(text.size() - sent, kLinkBufferSize);
    long direct = 0;
    if (s->device->WaitWritable(s->StopEvent, 0) == WaitResult::Ready)
      direct = std::max(0L, s->device->Write(text.data() + sent, chunk));
    s->Trace(TraceDirection::Written, text.data() + sent, direct);
    sent += static_cast<std::size_t>(direct);
    if (static_cast<std::size_t>(direct) == chunk) {
      s->TxIdleEvent.Set();
      continue;
    }
    const std::size_t n = chunk - static_cast<std::size_t>(direct);
    std::memcpy(s->txBuffer.get(), text.data() + sent, n);
    s->TxCount.store(static_cast<int>(n), std::memory_order_release);
    s->TxQueuedEvent.Set();
    sent += n;
  }
  return sent == text.size();
}

int TLink_Channel::PendingWrite() const {
  std::shared_ptr<LinkSession> s = Current();
  return s ? s->TxCount.load(std::memory_order_acquire) : 0;
}

bool TLink_Channel::HungUp() const {
  std::shared_ptr<LinkSession> s = Current();
  return s && s->hungUp.load(std::memory_order_acquire);
}

int TLink_Channel::BytesAvailable() const {
  std::shared_ptr<LinkSession> s = Current();
  return s ? s->Available() : 0;
}

bool TLink_Channel::ReadAvailable(Bytes& out) {
  std::shared_ptr<LinkSession> s = Current();
  if (!s) return true;
  Bytes got;
  if (s->Take(got, kLinkBufferSize) > 0) out = std::move(got);
  return true;
}

// Bytes already waiting are taken before any wait, so a read that follows one cut at
// the size limit gets the rest at once rather than after a silence.
bool TLink_Channel::ReadUntil(Bytes& text, int timeoutMs) {
  std::shared_ptr<LinkSession> s = Current();
  if (!s) return false;
  const Bytes terminator = text;
  timeoutMs = std::max(0, timeoutMs);
  Bytes got;
  while (IsOpen()) {
    if (s->Available() == 0) {
      if (WaitAny({&s->StopEvent, &s->RxDataEvent}, timeoutMs) != 1) break;
      if (s->Available() == 0) continue;  // the event was left from bytes already taken
    }
    std::size_t before = got.size();
    s->Take(got, kReadUntilLimit - static_cast<int>(got.size()));
    if (got.size() >= static_cast<std::size_t>(kReadUntilLimit)) break;
    if (!terminator.empty()) {
      std::size_t from = before >= terminator.size() ? before - terminator.size() + 1 : 0;
      if (got.find(terminator, from) != Bytes::npos) break;
    }
  }
  if (got.empty()) return false;
  text = std::move(got);
  return true;
}

}  // namespace bx
