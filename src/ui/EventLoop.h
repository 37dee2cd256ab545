#pragma once
// The main thread's event loop: it fires the window's timers and runs tasks posted from
// worker threads. Two drivers: a real-time one for the window and the CLI, and a
// virtual-time one for tests, where Advance(ms) fires due timers in order.
//
// One loop is the current loop of the program (like a toolkit's application object):
// timers attach to it when they are enabled.
#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>

namespace bx::ui {

class TTimer;

class EventLoop {
 public:
  EventLoop();
  virtual ~EventLoop();
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  static EventLoop* Current();
  static void SetCurrent(EventLoop* loop);

  virtual int64_t NowMs() const = 0;
  // Blocks the main thread for ms milliseconds without dispatching anything (as a
  // plain sleep does); the virtual loop just moves its clock.
  virtual void Sleep(int ms) = 0;

  // Thread-safe: runs `task` on the main thread at the next dispatch.
  void Post(std::function<void()> task);

  // Timer bookkeeping, used by TTimer.
  void Schedule(TTimer* timer, int64_t dueMs);
  void Unschedule(TTimer* timer);

  // Runs posted tasks and every timer due by now; never re-entered from a handler.
  // Returns the milliseconds until the next timer is due, or -1 when none is.
  int64_t Dispatch();
  bool Dispatching() const { return dispatching_; }

  // A modal wait inside a handler, as a nested message loop: runs posted tasks and due
  // timers (also when called from a timer's or a task's handler) until pred() holds or
  // timeoutMs of the loop's time have passed. Returns pred(). The close waits here for
  // the save it has started.
  bool WaitUntil(const std::function<bool()>& pred, int64_t timeoutMs);

 protected:
  virtual void Wake() {}  // a task was posted or a timer (re)scheduled
  // Waits up to ms for a post or a timer to become due (the virtual loop moves its clock).
  virtual void Idle(int64_t ms) = 0;
  int64_t NextDueMs();  // -1 when no timer is scheduled

 private:
  bool RunOneDueTimer(int64_t now);

  std::mutex postMu_;
  std::deque<std::function<void()>> posted_;
  struct Entry {
    int64_t due;
    uint64_t seq;
    bool operator<(const Entry& o) const { return due != o.due ? due < o.due : seq < o.seq; }
  };
  std::map<Entry, TTimer*> queue_;
  std::map<TTimer*, Entry> index_;
  uint64_t seq_ = 0;
  bool dispatching_ = false;
};

// Virtual time for tests: nothing happens until Advance.
class VirtualEventLoop : public EventLoop {
 public:
  int64_t NowMs() const override { return now_; }
  void Sleep(int ms) override {
    now_ += ms;
    slept_ += ms;
  }
  // Moves time forward by ms, firing every timer whose due time is reached, in order,
  // with the clock standing at each timer's due time while it runs.
  void Advance(int64_t ms);
  // Advances in steps until pred() holds or maxMs have passed; returns pred().
  bool AdvanceUntil(const std::function<bool()>& pred, int64_t maxMs, int64_t stepMs = 1);
  void RunPosted() { Dispatch(); }
  int64_t Slept() const { return slept_; }

 protected:
  void Idle(int64_t ms) override { now_ += std::max<int64_t>(ms, 1); }

 private:
  int64_t now_ = 0;
  int64_t slept_ = 0;
};

// Real time: the CLI runs it directly; the Qt view drives Dispatch from its own loop
// through the wake hook.
class RealEventLoop : public EventLoop {
 public:
  int64_t NowMs() const override;
  void Sleep(int ms) override;
  // Runs until Quit() or until pred() holds (checked after every dispatch) or timeoutMs
  // pass (-1: no limit). Returns whether pred held (true after Quit without pred).
  bool Run(const std::function<bool()>& pred = {}, int64_t timeoutMs = -1);
  void Quit();
  // Called from any thread whenever Dispatch should run soon.
  void SetWakeHook(std::function<void()> hook);

 protected:
  void Wake() override;
  void Idle(int64_t ms) override;

 private:
  std::mutex mu_;
  std::condition_variable cv_;
  bool woken_ = false;
  bool quit_ = false;
  std::function<void()> hook_;
};

}  // namespace bx::ui
