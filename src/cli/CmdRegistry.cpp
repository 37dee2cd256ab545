// brevantix-cli registry: both hives of the settings store as a REGEDIT4 export.
#include <ostream>

#include "cli/Cli.h"
#include "cli/JsonDocument.h"
#include "platform/RegistryExport.h"

namespace bx::cli {
namespace {

int RunRegistry(Session& s) {
  // The export is taken after the close writes, so it shows what this start left behind.
  s.Finish();
  if (s.json)
    s.json->doc["export"] = ExportRegedit4(*s.services.registry);
  else
    *s.out << ExportRegedit4(*s.services.registry);
  return 0;
}

Registrar reg({"registry",
               "",
               "print both hives of the settings store in the text form of a REGEDIT4 export",
               "The program starts and closes as the window would (writing its start-up and close\n"
               "settings), then every key of HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE is printed.",
               RunRegistry,
               {}});

}  // namespace
}  // namespace bx::cli
