#include "support/SimPeer.h"

#include <chrono>

#include "ui/EventLoop.h"

namespace bx::test {

SimPeer::SimPeer(ScriptedLink& link, sim::Scenario scenario)
    : model(std::move(scenario)), link_(link), engine_(model, Now()) {
  link_.onWrite = [this](const Bytes& bytes) {
    engine_.Receive(bytes, Now());
    Pump();
  };
  pump_.OnTimer = [this] { Pump(); };
  pump_.SetEnabled(true);
}

SimPeer::~SimPeer() { link_.onWrite = nullptr; }

sim::SimTime SimPeer::Now() const {
  const ui::EventLoop* loop = ui::EventLoop::Current();
  return std::chrono::milliseconds(loop ? loop->NowMs() : 0);
}

void SimPeer::Pump() {
  const sim::SimTime now = Now();
  engine_.Advance(now);
  const Bytes out = engine_.TakeOutput(now);
  if (!out.empty() && link_.IsOpen()) link_.Receive(out, true);
}

}  // namespace bx::test
