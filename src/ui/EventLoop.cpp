#include "ui/EventLoop.h"

#include <chrono>
#include <thread>

#include "ui/Controls.h"

namespace bx::ui {

namespace {
EventLoop* g_current = nullptr;
}

EventLoop::EventLoop() = default;

EventLoop::~EventLoop() {
  for (auto& [timer, entry] : index_) timer->Detach();
  if (g_current == this) g_current = nullptr;
}

EventLoop* EventLoop::Current() { return g_current; }
void EventLoop::SetCurrent(EventLoop* loop) { g_current = loop; }

void EventLoop::Post(std::function<void()> task) {
  {
    std::lock_guard g(postMu_);
    posted_.push_back(std::move(task));
  }
  Wake();
}

void EventLoop::Schedule(TTimer* timer, int64_t dueMs) {
  Unschedule(timer);
  Entry e{dueMs, ++seq_};
  queue_.emplace(e, timer);
  index_.emplace(timer, e);
  Wake();
}

void EventLoop::Unschedule(TTimer* timer) {
  auto it = index_.find(timer);
  if (it == index_.end()) return;
  queue_.erase(it->second);
  index_.erase(it);
}

int64_t EventLoop::NextDueMs() { return queue_.empty() ? -1 : queue_.begin()->first.due; }

bool EventLoop::RunOneDueTimer(int64_t now) {
  if (queue_.empty() || queue_.begin()->first.due > now) return false;
  TTimer* t = queue_.begin()->second;
  Unschedule(t);
  t->Fire();  // reschedules itself while it stays enabled
  return true;
}

int64_t EventLoop::Dispatch() {
  if (dispatching_) return 0;
  dispatching_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{dispatching_};
  for (;;) {
    std::deque<std::function<void()>> tasks;
    {
      std::lock_guard g(postMu_);
      tasks.swap(posted_);
    }
    for (auto& task : tasks) Invoke(task);
    // Timers that became due before this pass; one firing each, as message-based
    // timers do (a timer never fires twice to catch up).
    const int64_t now = NowMs();
    int guard = 0;
    while (guard++ < 10000 && RunOneDueTimer(now)) {
    }
    std::lock_guard g(postMu_);
    if (posted_.empty()) break;
  }
  const int64_t next = NextDueMs();
  return next < 0 ? -1 : std::max<int64_t>(0, next - NowMs());
}

bool EventLoop::WaitUntil(const std::function<bool()>& pred, int64_t timeoutMs) {
  const int64_t deadline = NowMs() + timeoutMs;
  // The handler that waits lets the others run, as a modal dialog's loop does; the outer
  // dispatch goes on as it was when the wait is over.
  const bool outer = dispatching_;
  struct Restore {
    bool& flag;
    bool value;
    ~Restore() { flag = value; }
  } restore{dispatching_, outer};
  for (;;) {
    dispatching_ = false;
    int64_t next = -1;
    RunAsNestedLoop([&] { next = Dispatch(); });
    if (pred()) return true;
    const int64_t now = NowMs();
    if (now >= deadline) return false;
    Idle(next < 0 ? deadline - now : std::min(next, deadline - now));
  }
}

void VirtualEventLoop::Advance(int64_t ms) {
  const int64_t target = now_ + ms;
  Dispatch();
  for (;;) {
    const int64_t due = NextDueMs();
    if (due < 0 || due > target) break;
    if (due > now_) now_ = due;
    Dispatch();
  }
  if (now_ < target) now_ = target;
  Dispatch();
}

bool VirtualEventLoop::AdvanceUntil(const std::function<bool()>& pred, int64_t maxMs, int64_t stepMs) {
  for (int64_t t = 0; t < maxMs; t += stepMs) {
    if (pred()) return true;
    Advance(stepMs);
  }
  return pred();
}

int64_t RealEventLoop::NowMs() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void RealEventLoop::Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool RealEventLoop::Run(const std::function<bool()>& pred, int64_t timeoutMs) {
  const int64_t deadline = timeoutMs < 0 ? -1 : NowMs() + timeoutMs;
  {
    std::lock_guard g(mu_);
    quit_ = false;
  }
  for (;;) {
    const int64_t wait = Dispatch();
    if (pred && pred()) return true;
    const int64_t now = NowMs();
    if (deadline >= 0 && now >= deadline) return pred ? pred() : false;
    std::unique_lock lk(mu_);
    if (quit_) return !pred || pred();
    int64_t w = wait < 0 ? 1000 : wait;
    if (deadline >= 0) w = std::min(w, deadline - now);
    cv_.wait_for(lk, std::chrono::milliseconds(w), [&] { return woken_ || quit_; });
    woken_ = false;
  }
}

void RealEventLoop::Idle(int64_t ms) {
  std::unique_lock lk(mu_);
  cv_.wait_for(lk, std::chrono::milliseconds(ms), [&] { return woken_; });
  woken_ = false;
}

void RealEventLoop::Quit() {
  std::lock_guard g(mu_);
  quit_ = true;
  cv_.notify_all();
}

void RealEventLoop::SetWakeHook(std::function<void()> hook) {
  std::lock_guard g(mu_);
  hook_ = std::move(hook);
}

void RealEventLoop::Wake() {
  std::function<void()> hook;
  {
    std::lock_guard g(mu_);
    woken_ = true;
    hook = hook_;
  }
  cv_.notify_all();
  if (hook) hook();
}

}  // namespace bx::ui
