#include "program/Demo.h"

#include <filesystem>

#include "form/Unitmain.h"
#include "passthru/DriverTransfer.h"
#include "platform/System.h"
#include "sim/DriverFile.h"
#include "sim/SimPty.h"

namespace bx {

namespace {

// The demo bootloader greets with its prompt, so that an upload with "Wait" ticked (the
// Update page's default) connects as well as one that connects at once. Its driver is the
// in-tree pass-thru library, a real one the probe can load, zipped as the adapter sends
// it, with the version in its marker as the adapter's "PT:" version.
sim::Scenario DemoScenario(std::string& driverLibrary) {
  sim::Scenario s;
  s.promptDelayMs = 300;
  Bytes library;
  if (driverLibrary.empty() || !TfrmMain::ReadWholeFile(driverLibrary, library) ||
      DriverVersionMarker(library).empty()) {
    driverLibrary.clear();
    return s;
  }
  s.passthru = DriverVersionMarker(library);
  s.driverFile = sim::MakeStoredZip(kDriverFileName, library);
  return s;
}

}  // namespace

std::string FindDemoDriverLibrary(const std::string& programPath) {
  namespace fs = std::filesystem;
  const fs::path bin = fs::path(programPath.empty() ? ProgramPath() : programPath).parent_path();
  std::error_code ec;
  for (const fs::path& p :
       {bin / kDemoDriverLibrary, bin.parent_path() / "lib" / "brevantix-configurator" / kDemoDriverLibrary})
    if (fs::is_regular_file(p, ec)) return p.string();
  return {};
}

DemoAdapter::DemoAdapter(const std::string& driverLibrary)
    : driverLibrary_(driverLibrary), pty_(std::make_unique<sim::PtyAdapter>(DemoScenario(driverLibrary_))) {}

DemoAdapter::~DemoAdapter() {
  if (pty_) pty_->Stop();
}

bool DemoAdapter::Start(std::string& error) { return pty_->Start(&error); }

std::string DemoAdapter::Port() const { return pty_->SlavePath(); }

}  // namespace bx
