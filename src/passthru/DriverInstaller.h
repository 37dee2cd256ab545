#pragma once
// The driver group's work: fetching the adapter's pass-thru library over the device link,
// putting it in place, registering it, and comparing the installed version with the one
// the adapter offers (Check Version).
//
// The new library never replaces the old one until it is complete and registered: it is
// written (or unpacked) into a private folder beside the old one, made for this run alone,
// then registered, and only then moved into place, the registration and the moves being
// one transaction of the settings store. A failure at any step leaves the old library
// (byte for byte, with the files beside it) and its registration as they were.
#include <array>
#include <functional>
#include <string>
#include <utility>

#include "core/Bytes.h"
#include "links/LinkFinder.h"

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

// The device list the installation registers the driver in, shown again after it.
class RegisteredDevices {
 public:
  virtual ~RegisteredDevices() = default;
  virtual void Refresh() = 0;
};

class DriverInstaller;

// The progress bar's whole length.
inline constexpr int kInstallProgressMax = 100;

// What an installation and a version check show as they go: the page draws them into its
// log, its progress bar and its driver fields; the command line and the Python module keep
// the log and draw the progress themselves.
class InstallDisplay {
 public:
  virtual ~InstallDisplay() = default;
  // A line for the log.
  virtual void Line(const std::string& text) = 0;
  // Where the installation stands: `position` of kInstallProgressMax, or (`marquee`) the
  // adapter sending the driver, which has no measure.
  virtual void Progress(int position, bool marquee) = 0;
  // A version check has ended; `found` tells what it found.
  virtual void Checked(const DriverInstaller& found) = 0;
};

// The installation and the check, on the services alone: no control is involved. An
// installation is an operation of the adapter's session (InstallingDriver) and ends with
// its typed result there.
class DriverInstaller {
 public:
  // `devices` may be null (no list is shown again).
  DriverInstaller(const PassThruServices& services, InstallDisplay& display, RegisteredDevices* devices = nullptr);

  // Fetches the offered driver from the adapter, puts it in place and registers it. None
  // when no driver is offered or the adapter is busy (the refusal is shown).
  InstallResult Install();
  // With `remark`, a library this system's pass-thru programs cannot load is also said so.
  void CheckVersion(bool remark = false);

  // The folder the library goes into, made when missing; "" when there is none.
  std::string SystemFolder() const;
  // SystemFolder + "/tvexrd32.dll"; "" without a system folder.
  std::string DriverPath() const;
  // The device key of the registration: company name + " - " + product name.
  std::string DeviceKey() const;
  InstallResult LastResult() const { return result_; }
  // Why the last installation failed ("" when it did not).
  const std::string& LastError() const { return error_; }
  // After an installation or a Check Version: the line saying that the installed library
  // is one this system's pass-thru programs cannot load ("" when they can).
  const std::string& ForeignRemark() const { return foreign_; }
  // What the last check found: the version as the field shows it ("Access Error" without
  // a system folder, "Not installed" without a readable library), and whether a library
  // was read.
  const std::string& InstalledVersion() const { return installed_; }
  bool DriverPresent() const { return present_; }
  // The driver version the connected adapter offers ("PT:"), empty when none; whether the
  // last check found that one installed.
  const std::string& Offered() const;
  bool UpToDate() const { return present_ && installed_ == Offered(); }

  // Where the link of a port comes from (the window's link table, which makes it the
  // active one; null: no port opens).
  void Connect(LinkFinder* links) { links_ = links; }

 private:
  LinkFinder* links_ = nullptr;
  struct Staged;
  // The installation once begun; the cause of its end in the words shown ("" when ok).
  std::string Run();
  bool Fetch(Bytes& answer, bool& answered, std::string& notFound);
  void Place(const Bytes& file, const std::string& driverPath);
  // Puts the new files into the private folder; false (with the failure shown) when the
  // file cannot be installed.
  bool Stage(const Bytes& file, const std::string& driverPath, Staged& staged);
  bool StageArchive(const Bytes& file, Staged& staged);
  void Register(const std::string& driverPath);
  void WriteManifest(const std::string& driverPath);
  void RemoveManifest();
  // Shows the failure; `oldUntouched`: the old library has not been replaced.
  void Fail(const std::string& why, bool oldUntouched = true);
  void ShowProgress(int position);
  // The services' whole-file writer; without one, the file is replaced in one rename.
  bool WriteWhole(const std::string& path, const std::string& data) const;

  const PassThruServices& s_;
  InstallDisplay& display_;
  RegisteredDevices* devices_;
  InstallResult result_ = InstallResult::None;
  std::string error_;
  std::string foreign_;
  std::string installed_;
  bool present_ = false;
  int progress_ = 0;
};

}  // namespace bx
