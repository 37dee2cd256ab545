#include "program/Program.h"

#include <filesystem>

#include "exchange/PortList.h"
#include "platform/Files.h"
#include "platform/SystemServices.h"
#include "window/Modules.h"

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

AppContext MakeProgramContext(ProgramServices& s, Dialogs& dialogs, Clipboard& clipboard,
                              std::vector<std::string> args) {
  AppContext c;
  c.registry = s.registry.get();
  c.dialogs = &dialogs;
  c.clipboard = &clipboard;
  c.shell = s.shell.get();
  c.version = BuiltInVersionRecord();
  c.programPath = ProgramPath();
  c.serialListing = SystemSerialPortListing();
  c.args = std::move(args);
  c.timerResolution = s.timerResolution.get();
  c.desktop = s.desktop.get();
  c.libraries = s.libraries.get();
  c.archives = s.archives.get();
  c.folders = s.folders;
  c.network = s.network.get();
  return c;
}

void PreferPort(TfrmMain& form, const std::string& port) {
  form.Modules->ports->preferred = port;
  form.Modules->ports->Refresh(true);
}

}  // namespace bx
