#pragma once
// The pass-thru page's work without a window, for the passthru command: the driver's
// installer on the run's settings, folders and message boxes, keeping its log and drawing
// its progress on the terminal; and the page on controls of its own for the device list
// and the library probe. With an adapter searched first, the adapter's session offers its
// driver, and the driver is fetched over a link of its own for the chosen port.
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "links/LinkFinder.h"
#include "passthru/DriverInstaller.h"
#include "passthru/PassThruPage.h"
#include "session/AdapterSession.h"

namespace bx::cli {

class PassThruSteps : private LinkFinder, private InstallDisplay {
 public:
  // `adapter`: the session of the adapter searched on the chosen port (null: none).
  PassThruSteps(Session& s, AdapterSession* adapter);
  ~PassThruSteps() override;
  PassThruSteps(const PassThruSteps&) = delete;
  PassThruSteps& operator=(const PassThruSteps&) = delete;

  // The driver version the adapter offers ("" without an adapter or a driver).
  const std::string& DriverVersion() const { return adapter_.Identity().passThruVersion; }
  // The installer's log since the last ClearLog.
  const std::vector<std::string>& Log() const { return log_; }
  void ClearLog() { log_.clear(); }
  // Draws the installation's progress as a bar on `out` (null: not drawn); the bar's line
  // is wiped when drawing ends.
  void DrawProgress(std::ostream* out);

 private:
  Link* FindLink(const std::string& port) override;
  void Line(const std::string& text) override { log_.push_back(text); }
  void Progress(int position, bool marquee) override;
  void Checked(const DriverInstaller&) override {}

  Session& s_;
  AdapterSession none_;
  AdapterSession& adapter_;
  std::string productName_, companyName_;
  std::unique_ptr<Link> link_;
  std::vector<std::string> log_;
  std::ostream* bar_ = nullptr;
  bool drawn_ = false;
  PassThruServices services_;

 public:
  DriverInstaller installer{services_, *this};
  ui::TPageControl pages{"pcOptions", nullptr};
  PassThruControls controls{pages};
  PassThruPage page;
};

}  // namespace bx::cli
