#pragma once
// The pass-thru page's work without a window, for the passthru command: the registered
// devices, the library probe and the driver's installer on the run's settings, folders and
// message boxes, keeping their log and drawing the installation's progress on the
// terminal. With an adapter searched first, the adapter's session offers its driver, and
// the driver is fetched over a link of its own for the chosen port.
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "links/LinkFinder.h"
#include "passthru/DeviceDirectory.h"
#include "passthru/DriverInstaller.h"
#include "passthru/LibraryProbe.h"
#include "passthru/PassThruServices.h"
#include "session/AdapterSession.h"

namespace bx::cli {

class PassThruSteps : private LinkFinder, private InstallDisplay, private ProbeDisplay {
 public:
  // `adapter`: the session of the adapter searched on the chosen port (null: none).
  PassThruSteps(Session& s, AdapterSession* adapter);
  ~PassThruSteps() override;
  PassThruSteps(const PassThruSteps&) = delete;
  PassThruSteps& operator=(const PassThruSteps&) = delete;

  // The driver version the adapter offers ("" without an adapter or a driver).
  const std::string& DriverVersion() const { return adapter_.Identity().passThruVersion; }
  // The log of the probe and the installer (a Load starts it afresh).
  const std::vector<std::string>& Log() const { return log_; }
  // The device chosen last, as the page selects it on a Refresh ("" when it is not
  // registered any more); choosing one remembers it, as the page's device list does.
  std::string ChosenDevice(const std::vector<PassThruDevice>& listed) const;
  void ChooseDevice(const std::string& name);
  // Draws the installation's progress as a bar on `out` (null: not drawn); the bar's line
  // is wiped when drawing ends.
  void DrawProgress(std::ostream* out);

 private:
  Link* FindLink(const std::string& port) override;
  void Line(const std::string& text) override { log_.push_back(text); }
  void Progress(int position, bool marquee) override;
  void Checked(const DriverInstaller&) override {}
  void ClearLog() override { log_.clear(); }
  void ProbeChanged(bool, bool) override {}

  Session& s_;
  AdapterSession none_;
  AdapterSession& adapter_;
  std::string productName_, companyName_;
  std::unique_ptr<Link> link_;
  std::vector<std::string> log_;
  std::ostream* bar_ = nullptr;
  bool drawn_ = false;
  int drawnAt_ = -1;  // the percentage the bar shows
  PassThruServices services_;

 public:
  DeviceDirectory directory{services_.settings.registry(), ManifestFolderIn(services_.folders.home)};
  LibraryProbe probe{services_, directory, *this};
  DriverInstaller installer{services_, *this};
};

}  // namespace bx::cli
