#pragma once
// The "Passthru SAE J2534" page: the registered pass-thru devices (the device list), the
// probe of the selected device's library, and the installation of the adapter's own
// driver. The page holds the device list and page entry; the probe and the driver group
// are modules of their own that it owns.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "form/PageControls.h"
#include "passthru/DeviceDirectory.h"
#include "passthru/DriverInstaller.h"
#include "passthru/LibraryProbe.h"
#include "passthru/PassThruServices.h"

namespace bx {

class PassThruPage : public RegisteredDevices, private InstallDisplay, private ProbeDisplay {
 public:
  PassThruPage(PassThruControls& controls, PassThruServices services);
  ~PassThruPage();

  // Entering the page: with a driver offered by the adapter, the list and the version
  // check; with only a firmware version, the firmware hint.
  void PageEntered();
  // Unloads a loaded pass-thru library (at close).
  void UnloadLibrary() { probe_.UnloadLibrary(); }

  // The page's controls' events to its handlers.
  void WireControls();

  // Handlers.
  void btJ2534_RefreshClick() { Refresh(); }
  void cbJ2534_DevicesChange() { DeviceSelected(); }
  void cbJ2534_DevicesClick();
  void btJ2534_LoadClick();
  void btJ2534_OpenClick();
  void btJ2534_VersionClick() { probe_.Version(); }
  void btJ2534_InfoClick();
  void btJ2534_ConfigClick();
  void btJ2534_Version_CheckClick() { installer_.CheckVersion(true); }
  void btJ2534_InstallClick() { installer_.Install(); }

  // Rebuilds the device list and selects the remembered device.
  void Refresh() override;
  // The devices of the last Refresh, as listed.
  const std::vector<PassThruDevice>& Devices() const { return devices_; }
  // The devices as registered now, read afresh without touching the page.
  std::vector<PassThruDevice> ListDevices(std::vector<std::string>* skipped) const { return directory_.List(skipped); }
  // ReadPassThruValue.
  std::string ReadPassThruValue(const std::string& device, const std::string& valueName) const {
    return directory_.Value(device, valueName);
  }

  // Replaces the whole-file writer (tests make writes fail as a full disk does).
  void SetFileWriter(std::function<bool(const std::string&, const std::string&)> write) {
    s_.writeFile = std::move(write);
  }

  LibraryProbe& Probe() { return probe_; }
  DriverInstaller& Installer() { return installer_; }

 private:
  void DeviceSelected();
  // The log is the probe's and the driver group's.
  void Line(const std::string& text) override;
  void ClearLog() override;
  // The probe's buttons follow what it holds.
  void ProbeChanged(bool loaded, bool deviceOpen) override;
  // The driver group draws the installer's course.
  void Progress(int position, bool marquee) override;
  void Checked(const DriverInstaller& found) override;

  PassThruControls& c_;
  PassThruServices s_;
  DeviceDirectory directory_;
  std::vector<PassThruDevice> devices_;
  LibraryProbe probe_;
  DriverInstaller installer_;
};

}  // namespace bx
