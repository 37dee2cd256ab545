#include "host/Demo.h"

#include <cstdlib>
#include <filesystem>

#include "passthru/DriverTransfer.h"
#include "platform/Files.h"
#include "platform/InProcessNetwork.h"
#include "platform/System.h"
#include "sim/DriverFile.h"
#include "sim/SimPty.h"
#include "sim/SimTcp.h"
#include "sim/SimUdp.h"

namespace bx {

namespace {
constexpr uint32_t kLoopback = 0x7F000001u;

// The demo bootloader greets with its prompt, so that an upload with "Wait" ticked (the
// Update page's default) connects as well as one that connects at once. Its driver is the
// in-tree pass-thru library, a real one the probe can load, zipped as the adapter sends
// it, with the version in its marker as the adapter's "PT:" version.
// The largest library read: a pass-thru library is far smaller.
constexpr std::size_t kDemoLibraryLimit = 16u * 1024u * 1024u;

sim::Scenario DemoScenario(std::string& driverLibrary) {
  sim::Scenario s;
  s.promptDelayMs = 300;
  Bytes library;
  if (driverLibrary.empty() || !ReadRegularFile(driverLibrary, kDemoLibraryLimit, library).Ok() ||
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

std::string FindDemoImage(const std::string& programPath) {
  namespace fs = std::filesystem;
  const fs::path bin = fs::path(programPath.empty() ? ProgramPath() : programPath).parent_path();
  std::error_code ec;
  for (const fs::path& p : {bin / "demo.rfw", bin.parent_path() / "share" / "brevantix-configurator" / "demo.rfw"})
    if (fs::is_regular_file(p, ec)) return p.string();
  return {};
}

struct DemoAdapter::Parts {
  std::unique_ptr<sim::PtyAdapter> pty;
  std::unique_ptr<sim::TcpAdapter> tcp;
  std::unique_ptr<InProcessNetwork> network;
};

bool DemoAdapter::Available() { return true; }

int DemoTcpPort() {
  const char* text = std::getenv("BX_DEMO_TCP_PORT");
  if (!text || !*text) return kDemoTcpPort;
  char* end = nullptr;
  const long port = std::strtol(text, &end, 10);
  return *end == '\0' && port >= 0 && port <= 65535 ? static_cast<int>(port) : kDemoTcpPort;
}

DemoAdapter::DemoAdapter(const std::string& driverLibrary)
    : driverLibrary_(driverLibrary), parts_(std::make_unique<Parts>()) {
  parts_->pty = std::make_unique<sim::PtyAdapter>(DemoScenario(driverLibrary_));
}

DemoAdapter::~DemoAdapter() {
  if (parts_->tcp) parts_->tcp->Stop();
  if (parts_->pty) parts_->pty->Stop();
}

// The in-process network has the loopback interface alone, so the search sends to the
// limited broadcast only; the adapter answers it as a far host at 127.0.0.1 with the
// device line of its TCP listener.
bool DemoAdapter::Start(std::string& error) {
  Parts& p = *parts_;
  if (!p.pty->Start(&error)) return false;
  const int first = DemoTcpPort();
  p.tcp = std::make_unique<sim::TcpAdapter>(p.pty->shared(), "127.0.0.1", first);
  if (first == 0 || !p.tcp->Start(nullptr)) {
    p.tcp = std::make_unique<sim::TcpAdapter>(p.pty->shared(), "127.0.0.1", 0);
    if (!p.tcp->Start(&error)) return false;
  }
  p.network = std::make_unique<InProcessNetwork>();
  sim::AnswerOn(*p.network, kLoopback, p.pty->shared(), "127.0.0.1", std::to_string(p.tcp->Port()));
  return true;
}

std::string DemoAdapter::Port() const { return parts_->pty->SlavePath(); }

std::string DemoAdapter::NetPort() const {
  return parts_->tcp ? "NET:127.0.0.1:" + std::to_string(parts_->tcp->Port()) : "";
}

std::string DemoAdapter::StoredImage() const {
  const auto stored = parts_->pty->adapter().Stored();
  return stored ? std::string(stored->image) : std::string();
}

DatagramNetwork* DemoAdapter::Network() { return parts_->network.get(); }

}  // namespace bx
