#pragma once
// The embedded default: a simulated adapter started in this process on a pseudo-terminal,
// offered as a virtual port, so that a newcomer without hardware can search, switch modes
// and flash firmware.
#include <memory>
#include <string>

namespace bx {

namespace sim {
class PtyAdapter;
}

inline constexpr const char* kDemoPortDescription = "Simulated Brevantix Adapter";

class DemoAdapter {
 public:
  DemoAdapter();
  ~DemoAdapter();
  bool Start(std::string& error);
  std::string Port() const;  // the pseudo-terminal's device path
  sim::PtyAdapter* adapter() { return pty_.get(); }

 private:
  std::unique_ptr<sim::PtyAdapter> pty_;
};

}  // namespace bx
