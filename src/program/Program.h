#pragma once
// The real services of a program start (window or CLI): the persistent settings store,
// the shell, the timer resolution seam, the user's folders, the desktop integration, and
// the loader and unpacker of pass-thru drivers.
#include <memory>
#include <string>
#include <vector>

#include "window/Unitmain.h"
#include "links/TraceWriter.h"
#include "platform/Archive.h"
#include "platform/DatagramNetwork.h"
#include "platform/Library.h"

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

// The window's context for this process, with the given dialogs and clipboard.
AppContext MakeProgramContext(ProgramServices& services, Dialogs& dialogs, Clipboard& clipboard,
                              std::vector<std::string> args);

// The wire trace asked for with --trace FILE: a new file in place of `path`, written as
// the links move bytes, its first note `commandLine`. The WiFi keys are masked in it as
// the WiFi log masks them, unless `showKeys`. Null with the reason.
std::unique_ptr<TraceWriter> OpenWireTrace(const std::string& path, bool showKeys, const std::string& commandLine,
                                           std::string& why);

// The window program's --trace FILE and --trace-keys, taken out of `args` (the rest stay
// in order). False with the reason for a --trace without FILE or --trace-keys alone.
struct TraceRequest {
  std::string path;  // "" when no trace was asked for
  bool showKeys = false;
};
bool TakeTraceArguments(std::vector<std::string>& args, TraceRequest& request, std::string& why);
// Both window programs' start: the trace arguments taken out of `args`, and the trace
// opened when one was asked for (`trace` stays null otherwise), its first note the whole
// command line. False with the message to show.
bool OpenWindowTrace(std::vector<std::string>& args, int argc, char** argv, std::unique_ptr<TraceWriter>& trace,
                     std::string& message);

// Chooses `port` in cbCOM as soon as the links list it (--port, --demo).
void PreferPort(TfrmMain& form, const std::string& port);

// The window program's --help text (with --demo where the simulated adapter runs) and its
// --version line, the same from both window programs.
std::string WindowProgramHelp();
std::string WindowProgramVersion();

}  // namespace bx
