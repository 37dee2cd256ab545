#pragma once
// The embedded default: a simulated adapter started in this process on a pseudo-terminal,
// offered as a virtual port, so that a newcomer without hardware can search, switch modes,
// flash firmware and install the adapter's pass-thru driver.
#include <memory>
#include <string>

namespace bx {

namespace sim {
class PtyAdapter;
}

inline constexpr const char* kDemoPortDescription = "Simulated Brevantix Adapter";
// The in-tree pass-thru library the demo adapter hands out as its driver.
inline constexpr const char* kDemoDriverLibrary = "libbrevantix-passthru-demo.so";

// Where the demo driver library is: beside the program (the build tree), or in
// lib/brevantix-configurator/ next to the program's bin/ (an installed package). "" when
// it is in neither place.
std::string FindDemoDriverLibrary(const std::string& programPath);

class DemoAdapter {
 public:
  // The adapter hands out the library at `driverLibrary` (by default the one found beside
  // the running program) as its driver, zipped, and reports the library's version marker
  // as its driver version. Without one it hands out a simulated Windows library.
  explicit DemoAdapter(const std::string& driverLibrary = FindDemoDriverLibrary({}));
  ~DemoAdapter();
  bool Start(std::string& error);
  std::string Port() const;  // the pseudo-terminal's device path
  sim::PtyAdapter* adapter() { return pty_.get(); }
  // The driver library handed out ("" when the simulated one).
  const std::string& DriverLibrary() const { return driverLibrary_; }

 private:
  std::string driverLibrary_;
  std::unique_ptr<sim::PtyAdapter> pty_;
};

}  // namespace bx
