#include "sim/Adapter.h"

namespace bx::sim {

Adapter::Adapter(Scenario s) : model_(std::move(s)) {}

std::unique_ptr<Session> Adapter::NewSession(SimTime now) { return std::make_unique<Session>(*this, now); }

std::optional<StoredImage> Adapter::Stored() const {
  std::lock_guard<std::mutex> lock(mu_);
  return model_.stored;
}

int Adapter::Uploads() const {
  std::lock_guard<std::mutex> lock(mu_);
  return model_.uploads;
}

std::vector<std::string> Adapter::Events() const {
  std::lock_guard<std::mutex> lock(mu_);
  return model_.events;
}

bool Adapter::InBootloader() const {
  std::lock_guard<std::mutex> lock(mu_);
  return model_.bootloader;
}

void Adapter::SetLog(std::function<void(const std::string&)> log, bool bytes) {
  std::lock_guard<std::mutex> lock(mu_);
  model_.log = std::move(log);
  logBytes_ = bytes;
}

bool Adapter::WaitUntil(const std::function<bool(const AdapterModel&)>& pred, std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mu_);
  return changed_.wait_for(lock, timeout, [&] { return pred(model_); });
}

Session::Session(Adapter& a, SimTime now) : a_(a) {
  std::lock_guard<std::mutex> lock(a_.mu_);
  e_ = std::make_unique<Engine>(a_.model_, now);
}

Session::~Session() {
  std::lock_guard<std::mutex> lock(a_.mu_);
  e_.reset();
}

Bytes Session::Step(std::string_view received, SimTime now) {
  Bytes out;
  {
    std::lock_guard<std::mutex> lock(a_.mu_);
    if (!received.empty() && a_.logBytes_ && a_.model_.log)
      a_.model_.log(Format("rx %zu: ", received.size()) + Printable(received));
    e_->Receive(received, now);
    e_->Advance(now);
    out = e_->TakeOutput(now);
  }
  a_.changed_.notify_all();
  return out;
}

std::optional<SimTime> Session::NextWake(SimTime now) const {
  std::lock_guard<std::mutex> lock(a_.mu_);
  return e_->NextWake(now);
}

bool Session::Disconnected() const {
  std::lock_guard<std::mutex> lock(a_.mu_);
  return e_->Disconnected();
}

}  // namespace bx::sim
