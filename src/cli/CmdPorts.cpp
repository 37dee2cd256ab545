// brevantix-cli ports: the port list as cbCOM shows it.
#include <ostream>

#include "cli/Cli.h"

namespace bx::cli {
namespace {

int RunPorts(Session& s) {
  TfrmMain& f = *s.form;
  // The scan threads report within a pass; give every link one before printing.
  s.RunUntil([] { return false; }, 1300);
  for (std::size_t i = 0; i < f.Ports.Names.size(); ++i)
    *s.out << f.Ports.Names[i] << "\t" << f.Ports.Descriptions[i] << "\t" << f.Ports.Details[i] << "\n";
  return 0;
}

Registrar ports({"ports", "", "list the ports the window offers: name, description and device path",
                 "One port a line: name, a tab, description, a tab, detail (the sysfs device path of a\n"
                 "serial port, the MAC address of a network adapter).",
                 RunPorts, {}});

}  // namespace
}  // namespace bx::cli
