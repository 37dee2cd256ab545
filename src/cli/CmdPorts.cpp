// brevantix-cli ports: the port list as cbCOM shows it.
#include <ostream>

#include "cli/Cli.h"
#include "cli/JsonDocument.h"

namespace bx::cli {
namespace {

int RunPorts(Session& s) {
  if (!s.TakesOnly("ports", {})) return 2;
  const PortLists rows = s.Ports();
  Json list = Json::array();
  for (std::size_t i = 0; i < rows.Names.size(); ++i) {
    if (s.json)
      list.push_back({{"name", rows.Names[i]}, {"description", rows.Descriptions[i]}, {"detail", rows.Details[i]}});
    else
      *s.out << Shown(rows.Names[i]) << "\t" << Shown(rows.Descriptions[i]) << "\t" << Shown(rows.Details[i]) << "\n";
  }
  if (s.json) s.json->doc["ports"] = list;
  return 0;
}

Registrar ports({"ports",
                 "",
                 "list the ports the window offers: name, description and device path",
                 "One port a line: name, a tab, description, a tab, detail (the sysfs device path of a\n"
                 "serial port, the MAC address of a network adapter).",
                 RunPorts,
                 {}});

}  // namespace
}  // namespace bx::cli
