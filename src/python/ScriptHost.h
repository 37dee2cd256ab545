#pragma once
// What the scripting module does with adapters, without Python: the program's settings
// store and port list, and each operation run to its end on the calling thread (the
// event loop is the module's, one operation at a time). Failures are thrown as a
// ScriptError of a kind the module turns into its exception classes.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "device/AdapterDevice.h"
#include "session/DeviceRecords.h"
#include "session/ModeRows.h"

namespace bx {
class DemoAdapter;
}

namespace bx::script {

enum class ErrorKind { Error, NotFound, Busy, Timeout, Refused, UploadFailed, Interrupted };

struct ScriptError : std::runtime_error {
  ScriptError(ErrorKind k, const std::string& message) : std::runtime_error(message), kind(k) {}
  ErrorKind kind;
};

// Called after every step of the event loop while an operation runs (so it must be
// cheap): false stops the operation (the interpreter has a KeyboardInterrupt pending).
using Poll = std::function<bool()>;

struct PortRow {
  std::string name, description, detail;
};
std::vector<PortRow> Ports();

struct FlashOutcome {
  std::string port, serial;
  bool ok = false;
  std::string result;  // "Ok", or the cause
  int pages = 0, acknowledged = 0;
  std::vector<std::string> log;
};
// pages acknowledged, pages in all
using Progress = std::function<void(const std::string& port, int acknowledged, int total)>;

// Flashes every port at once, each as the Update page does; one outcome per port.
// `timeoutS`: seconds in which no page was acknowledged, after which a flash is stopped.
std::vector<FlashOutcome> FlashMany(const std::vector<std::string>& ports, const std::string& file,
                                    const Progress& progress, double timeoutS, bool search, bool waitForPrompt,
                                    const Poll& poll);

// The network search (target "": the whole local network), as the Network page's Search
// or Find runs it; while a Demo lives, on the demo's simulated network instead of the
// system's. With `save`, the adapters that answered and are not stored yet are added to
// the stored list (one store transaction). The log is the page's.
struct NetAdapter {
  std::string name, mac, ip, port;
  bool enabled = true;
  std::string PortName() const { return "NET:" + ip + ":" + port; }
};
std::vector<NetAdapter> Discover(const std::string& target, bool save, std::vector<std::string>& log,
                                 const Poll& poll);
// The stored network adapters, as the network link offers them (disabled ones too).
std::vector<NetAdapter> StoredNetAdapters();

// One adapter: searched for when it is made (NotFound, Busy, Timeout when it does not
// answer), then each operation in turn.
class Adapter {
 public:
  Adapter(const std::string& port, double timeoutS, const Poll& poll);
  ~Adapter();

  const std::string& Port() const;
  const IdentityRecord& Identity() const;
  std::string Battery() const;
  ModeListing Modes(bool showAll) const;
  std::string RunningMode() const;

  void Search(const Poll& poll);
  void SelectMode(const std::string& id, const Poll& poll);
  // The hidden mark of a mode the adapter lists (Refused for mode 000 and the running one).
  void HideMode(const std::string& id, bool hidden);
  struct SelfTestOutcome {
    int errors = -1, warnings = -1;
    std::string verdict;
    bool passed = false;
    std::vector<std::string> log;
  };
  SelfTestOutcome SelfTest(const std::string& params, const Poll& poll);
  FlashOutcome Flash(const std::string& file, const Progress& progress, double timeoutS, bool search,
                     bool waitForPrompt, const Poll& poll);
  void Reset(const Poll& poll);
  SystemOptions ReadSystem(const Poll& poll);
  SystemOptions WriteSystem(const SystemOptions& options, const Poll& poll);
  // The WiFi record: key, value (decoded), in the adapter's order.
  std::vector<std::pair<std::string, std::string>> ReadWiFi(const Poll& poll);
  std::vector<std::pair<std::string, std::string>> WriteWiFi(
      const std::vector<std::pair<std::string, std::string>>& values, const Poll& poll);
  struct AccessPoint {
    std::string ssid, rssi, channel, security, mac;
  };
  std::vector<AccessPoint> ScanWiFi(const Poll& poll);
  // The pass-thru driver the adapter hands out: fetched, put in place and registered as
  // the Passthru page's Install Driver does (`programPath`: the window program, registered
  // as the configuration program). Throws with the page's reason when it is not installed.
  struct DriverOutcome {
    std::string offered, version, path, registeredAs;
    bool loadableHere = true;
    std::vector<std::string> log;
  };
  DriverOutcome InstallDriver(const std::string& programPath);
  // The installed driver's version, as Check Version reads it ("" when none is installed).
  std::string DriverVersion();

 private:
  void Run(bool begun, const Poll& poll);
  std::unique_ptr<AdapterDevice> device_;
  double timeoutS_;
};

// The built-in simulated adapter on a pseudo-terminal of this process.
class Demo {
 public:
  explicit Demo(const std::string& driverLibrary);
  ~Demo();
  std::string Port() const;
  std::string NetPort() const;
  // The image the demo's bootloader last stored (empty before an upload).
  std::string StoredImage() const;

 private:
  std::unique_ptr<DemoAdapter> adapter_;
};

}  // namespace bx::script
