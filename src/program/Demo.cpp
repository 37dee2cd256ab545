#include "program/Demo.h"

#include "sim/SimPty.h"

namespace bx {

namespace {
// The demo bootloader greets with its prompt, so that an upload with "Wait" ticked (the
// Update page's default) connects as well as one that connects at once.
sim::Scenario DemoScenario() {
  sim::Scenario s;
  s.promptDelayMs = 300;
  return s;
}
}  // namespace

DemoAdapter::DemoAdapter() : pty_(std::make_unique<sim::PtyAdapter>(DemoScenario())) {}

DemoAdapter::~DemoAdapter() {
  if (pty_) pty_->Stop();
}

bool DemoAdapter::Start(std::string& error) { return pty_->Start(&error); }

std::string DemoAdapter::Port() const { return pty_->SlavePath(); }

}  // namespace bx
