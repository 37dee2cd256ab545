#pragma once
// The embedded default: a simulated adapter started in this process on a pseudo-terminal,
// offered as a virtual port, so that a newcomer without hardware can search, switch modes,
// flash firmware and install the adapter's pass-thru driver. The same adapter also listens
// for TCP on loopback and answers the network search on an in-process network that the
// demo hands to the window instead of the system's, so a search finds it, it can be saved
// and reached as a NET: port, and no datagram leaves the process.
#include <memory>
#include <string>

namespace bx {

class DatagramNetwork;

inline constexpr const char* kDemoPortDescription = "Simulated Brevantix Adapter";
inline constexpr const char* kDemoUnavailable =
    "--demo is not available in this build: the simulated adapter runs on Linux only";
// Tried first for the TCP listener, so that a device saved in one demo run is still
// there in the next; any free port when it is taken.
inline constexpr int kDemoTcpPort = 45023;
// The TCP port the demo tries first: $BX_DEMO_TCP_PORT when it is a port number (0: any
// free port at once; tests that run demos side by side set it), else kDemoTcpPort.
int DemoTcpPort();
// The in-tree pass-thru library the demo adapter hands out as its driver.
inline constexpr const char* kDemoDriverLibrary = "libbrevantix-passthru-demo.so";

// Where the demo driver library is: beside the program (the build tree), or in
// lib/brevantix-configurator/ next to the program's bin/ (an installed package). "" when
// it is in neither place.
std::string FindDemoDriverLibrary(const std::string& programPath);
// The demo firmware image, found the same way (share/brevantix-configurator/ when
// installed); "" when it is in neither place.
std::string FindDemoImage(const std::string& programPath);

class DemoAdapter {
 public:
  // Whether this build has the simulator (Linux; the Windows build has none, and there
  // Start fails saying so).
  static bool Available();

  // The adapter hands out the library at `driverLibrary` (by default the one found beside
  // the running program) as its driver, zipped, and reports the library's version marker
  // as its driver version. Without one it hands out a simulated Windows library.
  explicit DemoAdapter(const std::string& driverLibrary = FindDemoDriverLibrary({}));
  ~DemoAdapter();
  bool Start(std::string& error);
  std::string Port() const;     // the pseudo-terminal's device path
  std::string NetPort() const;  // "NET:127.0.0.1:" and the TCP listener's port
  DatagramNetwork* Network();   // where the search finds the adapter
  // The firmware image the adapter's bootloader last stored, byte for byte (empty before
  // any upload).
  std::string StoredImage() const;
  // The driver library handed out ("" when the simulated one).
  const std::string& DriverLibrary() const { return driverLibrary_; }

 private:
  struct Parts;  // the simulated adapter's transports and network
  std::string driverLibrary_;
  std::unique_ptr<Parts> parts_;
};

}  // namespace bx
