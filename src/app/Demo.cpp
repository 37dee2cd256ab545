#include "app/Demo.h"

#include "sim/SimPty.h"

namespace bx {

DemoAdapter::DemoAdapter() : pty_(std::make_unique<sim::PtyAdapter>(sim::Scenario())) {}

DemoAdapter::~DemoAdapter() {
  if (pty_) pty_->Stop();
}

bool DemoAdapter::Start(std::string& error) { return pty_->Start(&error); }

std::string DemoAdapter::Port() const { return pty_->SlavePath(); }

}  // namespace bx
