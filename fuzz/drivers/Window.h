#pragma once
// A window model on fakes and virtual time for the drivers of the adapter's replies,
// with every exception that escapes a handler counted as a broken property: replies the
// adapter sends must never make the window raise one.
#include "Check.h"
#include "support/AdapterWorld.h"
#include "ui/Controls.h"

namespace bx::fuzz {

struct WindowWorld : test::AdapterWorld {
  WindowWorld() {
    StartWithPort();
    ui::SetExceptionDisplay([](const std::string& message) { Fail("an exception escaped a handler: " + message); });
  }
  ~WindowWorld() { ui::SetExceptionDisplay({}); }
};

}  // namespace bx::fuzz
