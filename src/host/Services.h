#pragma once
// The real services of a program start (window or command line): the persistent settings
// store, the shell, the timer resolution seam, the user's folders, the desktop
// integration, and the loader and unpacker of pass-thru drivers; the wire trace.
#include <memory>
#include <optional>
#include <string>

#include "links/TraceWriter.h"
#include "platform/Archive.h"
#include "platform/DatagramNetwork.h"
#include "platform/Library.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/System.h"

namespace bx {

struct ProgramServices {
  std::unique_ptr<Registry> registry;
  std::unique_ptr<Shell> shell;
  std::unique_ptr<TimerResolution> timerResolution;
  std::unique_ptr<DesktopIntegration> desktop;
  std::unique_ptr<DatagramNetwork> network;  // the network search's: the system's own
  std::unique_ptr<LibraryLoader> libraries;
  std::unique_ptr<ArchiveUnpacker> archives;
  UserFolders folders;
  std::string storePath;
  // Why the settings are read but not saved in this run ("" when they are saved).
  std::string settingsNotSaved;
};

// Opens the settings store under the user's configuration folder. On failure (a damaged
// store, a folder another user owns or may write to, no home) returns false with a
// message that names the file or folder. A store that cannot be written opens as a copy
// whose changes are lost (services.settingsNotSaved says why).
bool OpenProgramServices(ProgramServices& services, std::string& error);

// The wire trace asked for with --trace FILE: a new file in place of `path`, written as
// the links move bytes, its first note `commandLine`. The WiFi keys are masked in it as
// the WiFi log masks them, unless `showKeys`. Null with the reason.
std::unique_ptr<TraceWriter> OpenWireTrace(const std::string& path, bool showKeys, const std::string& commandLine,
                                           std::string& why);

}  // namespace bx
