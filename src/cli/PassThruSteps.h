#pragma once
// The "Passthru SAE J2534" page without a window, for the passthru command: its controls
// and the page on the run's settings, folders, library loader and message boxes. With an
// adapter searched first, the page offers the adapter's driver as the window's page does
// after a search, and the driver is fetched over a link of its own for the chosen port.
#include <memory>
#include <string>

#include "cli/Cli.h"
#include "links/LinkFinder.h"
#include "passthru/PassThruPage.h"
#include "session/AdapterSession.h"

namespace bx::cli {

class PassThruSteps : private LinkFinder {
 public:
  // `adapter`: the session of the adapter searched on the chosen port (null: none).
  PassThruSteps(Session& s, const AdapterSession* adapter);
  ~PassThruSteps() override;
  PassThruSteps(const PassThruSteps&) = delete;
  PassThruSteps& operator=(const PassThruSteps&) = delete;

  // The driver version the adapter offers ("" without an adapter or a driver).
  const std::string& DriverVersion() const { return driverVersion_; }

 private:
  Link* FindLink(const std::string& port) override;

  Session& s_;
  AdapterSession none_;
  const AdapterSession& adapter_;
  std::string driverVersion_;
  std::string productName_, companyName_;
  std::unique_ptr<Link> link_;

 public:
  ui::TPageControl pages{"pcOptions", nullptr};
  PassThruControls controls{pages};
  PassThruPage page;
};

}  // namespace bx::cli
