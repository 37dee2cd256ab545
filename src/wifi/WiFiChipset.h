#pragma once
#include <functional>
// The System page's WiFi chipset buttons: update the bridge chip, or return it to its
// factory settings after a question. The adapter's answer goes to memSYS.
#include <string>

namespace bx {

class Exchange;
class WindowServices;
struct SystemControls;

class WiFiChipset {
 public:
  WiFiChipset(SystemControls& system, WindowServices& window, Exchange& exchange);
  void Update();
  void FactoryReset();

 private:
  bool Refused(const std::string& action);
  std::function<void(bool)> NoReplyLine();
  SystemControls& c_;
  WindowServices& window_;
  Exchange& ex_;
};

}  // namespace bx
