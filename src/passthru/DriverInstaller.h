#pragma once
// The " Driver " group: fetching the adapter's pass-thru library over the device link,
// putting it in place, registering it, and comparing the installed version with the one
// the adapter offers (Check Version).
//
// The new library never replaces the old one until it is complete: it is written (or
// unpacked) under a temporary name beside it and renamed into place, so a failed
// installation leaves the old library and its registration as they were.
#include <array>
#include <functional>
#include <string>
#include <utility>

#include "core/Bytes.h"
#include "form/Unitmain.h"

namespace bx {

class Link;
struct PassThruServices;

// The protocol values of the registration, in the order written: 1 supported, 0 not.
inline constexpr std::array<std::pair<const char*, int>, 23> kProtocolValues = {{
    {"CAN", 1},
    {"CAN_PS", 1},
    {"ISO15765", 1},
    {"ISO15765_PS", 1},
    {"SW_CAN_PS", 1},
    {"SW_ISO15765_PS", 1},
    {"FT_CAN_PS", 1},
    {"FT_ISO15765_PS", 1},
    {"J1850PWM", 1},
    {"J1850PWM_PS", 1},
    {"UBP_PS", 1},
    {"J1850VPW", 1},
    {"J1850VPW_PS", 1},
    {"ISO9141", 1},
    {"ISO9141_PS", 1},
    {"ISO14230", 1},
    {"ISO14230_PS", 1},
    {"HONDA_DIAGH_PS", 1},
    {"SCI_A_ENGINE", 0},
    {"SCI_A_TRANS", 0},
    {"SCI_B_ENGINE", 0},
    {"SCI_B_TRANS", 0},
    {"UART_ECHO_BYTE_PS", 1},
}};

// The manifest a registration writes into the manifest folder.
inline constexpr const char* kOwnManifest = "brevantix.json";

enum class InstallResult {
  None,           // nothing was tried (no driver offered)
  PortNotOpened,  // the adapter's port could not be opened
  Incomplete,     // the transfer brought no whole file; nothing was changed
  Failed,         // the file came but was not put in place and registered
  Installed,      // the new library is in place and registered
};

class DriverInstaller {
 public:
  DriverInstaller(PassThruControls& controls, const PassThruServices& services);

  void btJ2534_Version_CheckClick() { CheckVersion(); }
  void btJ2534_InstallClick();
  void CheckVersion();

  // The folder the library goes into, made when missing; "" when there is none.
  std::string SystemFolder() const;
  // SystemFolder + "/tvexrd32.dll"; "" without a system folder.
  std::string DriverPath() const;
  // The device key of the registration: company name + " - " + product name.
  std::string DeviceKey() const;
  InstallResult LastResult() const { return result_; }
  // Why the last installation failed ("" when it did not).
  const std::string& LastError() const { return error_; }

  // The link of a port (the link table's OpenPort finds it and makes it the active one).
  std::function<Link*(const std::string& port)> findLink;
  // The device list's Refresh, run after a registration.
  std::function<void()> refresh;

 private:
  bool Fetch(Bytes& answer, bool& answered);
  bool Place(const Bytes& file, const std::string& driverPath);
  bool PlaceLibrary(const Bytes& file, const std::string& driverPath);
  bool PlaceArchive(const Bytes& file, const std::string& driverPath);
  void Register(const std::string& driverPath);
  void WriteManifest(const std::string& driverPath);
  // Shows the failure; `oldUntouched`: the old library has not been replaced.
  void Fail(const std::string& why, bool oldUntouched = true);
  void Step(int by);

  PassThruControls& c_;
  const PassThruServices& s_;
  InstallResult result_ = InstallResult::None;
  std::string error_;
};

}  // namespace bx
