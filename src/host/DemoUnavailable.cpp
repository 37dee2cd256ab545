// The demo in a build without the simulator (Windows): every start fails, saying so, and
// a program asks Available() before it offers the demo at all.
#include "host/Demo.h"

#include <memory>

namespace bx {

struct DemoAdapter::Parts {};

bool DemoAdapter::Available() { return false; }
int DemoTcpPort() { return kDemoTcpPort; }

std::string FindDemoDriverLibrary(const std::string&) { return {}; }
std::string FindDemoImage(const std::string&) { return {}; }

DemoAdapter::DemoAdapter(const std::string& driverLibrary)
    : driverLibrary_(driverLibrary), parts_(std::make_unique<Parts>()) {}

DemoAdapter::~DemoAdapter() = default;

bool DemoAdapter::Start(std::string& error) {
  error = kDemoUnavailable;
  return false;
}

std::string DemoAdapter::Port() const { return {}; }
std::string DemoAdapter::NetPort() const { return {}; }
std::string DemoAdapter::StoredImage() const { return {}; }
DatagramNetwork* DemoAdapter::Network() { return nullptr; }

}  // namespace bx
