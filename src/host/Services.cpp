#include "host/Services.h"

#include "platform/Files.h"
#include "platform/System.h"
#include "platform/SystemServices.h"
#include "wifi/WiFiCommand.h"

namespace bx {

bool OpenProgramServices(ProgramServices& s, std::string& error) {
  s.folders = DefaultUserFolders();
  if (!s.folders.error.empty()) {
    error = s.folders.error;
    return false;
  }
  try {
    s.registry = OpenSystemRegistry(s.folders, s.storePath, s.settingsNotSaved);
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
  // The driver and its archive are unpacked there; another user's folder would hand them
  // the library this user's programs load.
  if (const std::string why = FolderTrustProblem(s.folders.dataDir); !why.empty()) {
    s.registry.reset();
    error = UntrustedFolderMessage("data", s.folders.dataDir, why) + ".";
    return false;
  }
  s.shell = MakeSystemShell();
  s.timerResolution = MakeTimerResolution();
  s.desktop = MakeDesktopIntegration(s.folders.xdgDataHome);
  s.network = MakeSystemDatagramNetwork();
  s.libraries = MakeLibraryLoader();
  s.archives = MakeArchiveUnpacker();
  return true;
}

std::unique_ptr<TraceWriter> OpenWireTrace(const std::string& path, bool showKeys, const std::string& commandLine,
                                           std::string& why) {
  std::unique_ptr<GrowingFile> file = CreateGrowingFile(path, why);
  if (!file) return nullptr;
  TraceWriterOptions options;
  if (!showKeys) options.maskLine = WiFiLogLine;
  const VersionRecord v = BuiltInVersionRecord().value_or(VersionRecord{});
  options.header = "# " + v.productName + " " + v.fileVersion +
                   " wire trace: microseconds since the trace began, TX written to the port, RX read from it, the "
                   "chunk's size, its bytes in hex and as text; WiFi keys " +
                   (showKeys ? "NOT masked (asked for)" : "masked");
  auto trace = std::make_unique<TraceWriter>(std::move(file), SystemMonotonicClock(), std::move(options));
  trace->Note(commandLine);
  return trace;
}

}  // namespace bx
