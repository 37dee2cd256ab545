#pragma once
// The simulated adapter as the transports and tests share it: the model behind a lock,
// and one Session (protocol engine) per connection. Everything here may be called from
// any thread.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/AdapterModel.h"
#include "sim/Engine.h"
#include "sim/Scenario.h"
#include "sim/SimTime.h"

namespace bx::sim {

class Session;

class Adapter {
 public:
  explicit Adapter(Scenario s = Scenario());

  std::unique_ptr<Session> NewSession(SimTime now);

  // Runs `f` on the model under the lock; for what the snapshots below do not cover.
  template <typename F>
  auto With(F&& f) {
    std::lock_guard<std::mutex> lock(mu_);
    return f(model_);
  }

  std::optional<StoredImage> Stored() const;
  int Uploads() const;
  std::vector<std::string> Events() const;
  bool InBootloader() const;
  const Scenario& scenario() const { return model_.scenario(); }  // never changes

  // Every event line, and with `bytes` every received chunk, goes to `log` (called with
  // the adapter locked: it must not call back into the adapter).
  void SetLog(std::function<void(const std::string&)> log, bool bytes);

  // Waits, at most `timeout`, until `pred(model)` holds; checked after every change.
  bool WaitUntil(const std::function<bool(const AdapterModel&)>& pred, std::chrono::milliseconds timeout);

 private:
  friend class Session;
  mutable std::mutex mu_;
  std::condition_variable changed_;
  AdapterModel model_;
  bool logBytes_ = false;
};

// One connection's protocol engine, bound to its adapter.
class Session {
 public:
  Session(Adapter& a, SimTime now);
  ~Session();

  // Hands over what was read, runs what is due and answers what may be written now.
  Bytes Step(std::string_view received, SimTime now);
  std::optional<SimTime> NextWake(SimTime now) const;
  bool Disconnected() const;

 private:
  Adapter& a_;
  std::unique_ptr<Engine> e_;
};

}  // namespace bx::sim
