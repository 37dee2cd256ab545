// brevantix-cli registry: both hives of the settings store as a REGEDIT4 export.
#include <ostream>

#include "cli/Cli.h"
#include "cli/JsonDocument.h"
#include "platform/RegistryExport.h"
#include "settings/Settings.h"

namespace bx::cli {
namespace {

// The program's own keys, for a registry that holds every program's: its settings, the
// ".rfw" file type and the pass-thru registrations.
const std::vector<std::string> kOwnKeys = {kSettingsKey, std::string(kClassesKey) + "\\.rfw",
                                           std::string(kClassesKey) + "\\Brevantix_Firmware", kPassThruKey};

int RunRegistry(Session& s) {
  if (!s.TakesOnly("registry", {})) return 2;
  // The export is taken after the close writes, so it shows what this start left behind.
  s.Finish();
  Registry& reg = *s.services.registry;
  const std::string text = reg.SharedWithOtherPrograms() ? ExportRegedit4(reg, kOwnKeys) : ExportRegedit4(reg);
  if (s.json)
    s.json->doc["export"] = text;
  else
    *s.out << text;
  return 0;
}

Registrar reg({"registry",
               "",
               "print both hives of the settings store in the text form of a REGEDIT4 export",
               "The program starts and closes as the window would (writing its start-up and close\n"
               "settings), then every key of HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE is printed; from\n"
               "the Windows registry, which holds every program's keys, the program's own keys alone.",
               RunRegistry,
               {}});

}  // namespace
}  // namespace bx::cli
