// brevantix-cli ports: the port list as cbCOM shows it.
#include <ostream>

#include "cli/Cli.h"
#include "exchange/PortList.h"
#include "window/Modules.h"

namespace bx::cli {
namespace {

int RunPorts(Session& s) {
  TfrmMain& f = *s.form;
  // The scan threads report within a pass; give every link one before printing.
  s.RunUntil([] { return false; }, 1300);
  const PortLists& rows = f.Modules->ports->Rows();
  for (std::size_t i = 0; i < rows.Names.size(); ++i)
    *s.out << rows.Names[i] << "\t" << rows.Descriptions[i] << "\t" << rows.Details[i] << "\n";
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
