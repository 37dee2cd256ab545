// brevantix-cli net: the Network page's device list. Each change is made on the page's
// rows as its buttons make it, and saved as its Save saves.
#include <ostream>

#include "cli/Cli.h"
#include "cli/JsonDocument.h"
#include "cli/NetworkSteps.h"

namespace bx::cli {
namespace {

void PrintList(Session& s, const NetworkPage& page) {
  Json devices = Json::array();
  for (int i = 0; i < page.RowCount(); ++i) {
    const NetDevice d = page.Row(i);
    if (s.json)
      devices.push_back(
          {{"mark", MarkWord(page.RowMark(i))}, {"ip", d.IP}, {"port", d.Port}, {"name", d.Name}, {"mac", d.MAC}});
    else
      *s.out << MarkWord(page.RowMark(i)) << "\t" << Shown(d.IP) << "\t" << Shown(d.Port) << "\t" << Shown(d.Name)
             << "\t" << Shown(d.MAC) << "\n";
  }
  if (s.json) s.json->doc["devices"] = devices;
}

int Usage(Session& s, const std::string& why) { return s.Fail(2, "net: " + why + " (see brevantix-cli net --help)"); }

// A field of a device line holds no space: one would shift the fields of the stored line.
// A stored line beginning with "~" is a disabled adapter.
constexpr const char* kTildeName = "NAME must not begin with \"~\" (it marks a disabled adapter)";

bool OneWord(const std::string& text) { return !text.empty() && text.find(' ') == std::string::npos; }

// The row named by IP or IP:PORT; -1 (with a message) when there is none.
int FindRow(Session& s, NetworkSteps& net, const std::string& key) {
  NetworkPage& page = net.page;
  const int row = page.FindRow(key);
  if (row == -2) s.Fail(1, "net: several devices have the IP " + key + ": give IP:PORT");
  if (row == -1) s.Fail(1, "net: no device " + key + " is listed");
  return row;
}

int Saved(Session& s, NetworkSteps& net) {
  NetworkPage& page = net.page;
  page.SaveList();
  if (page.Unsaved()) return s.Fail(1, "net: the list could not be saved");
  PrintList(s, page);
  return 0;
}

int Add(Session& s, NetworkSteps& net, const std::vector<std::string>& a) {
  NetworkPage& page = net.page;
  if (a.size() < 3) return Usage(s, "add needs IP and PORT");
  if (!OneWord(a[1]) || !OneWord(a[2])) return Usage(s, "IP and PORT must be single words");
  std::string name;
  for (std::size_t i = 3; i < a.size(); ++i) name += (i > 3 ? " " : "") + a[i];
  if (name.starts_with('~')) return Usage(s, kTildeName);
  if (const std::string why = UnusableDeviceReason({name, "", a[1], a[2]}); !why.empty()) return Usage(s, why);
  if (page.RecordDevice({name, "", a[1], a[2]}, kMarkNew) < 0)
    return s.Fail(1, "net: " + a[1] + " " + a[2] + " \"" + name + "\" is listed already");
  return Saved(s, net);
}

int Update(Session& s, NetworkSteps& net, const std::vector<std::string>& a) {
  NetworkPage& page = net.page;
  if (a.size() < 2) return Usage(s, "update needs IP");
  std::optional<std::string> port, name;
  for (std::size_t i = 2; i < a.size(); ++i) {
    if (a[i] == "--port" && i + 1 < a.size())
      port = a[++i];
    else if (a[i] == "--name" && i + 1 < a.size())
      name = a[++i];
    else
      return Usage(s, "unknown argument " + a[i]);
  }
  if (!port && !name) return Usage(s, "update needs --port or --name");
  if (port && !OneWord(*port)) return Usage(s, "PORT must be a single word");
  if (name && name->starts_with('~')) return Usage(s, kTildeName);
  // The row's own address stands in for the one not changed here.
  if (const std::string why = UnusableDeviceReason({name.value_or(""), "", "0.0.0.0", port.value_or("1")});
      !why.empty())
    return Usage(s, why);
  const int row = FindRow(s, net, a[1]);
  if (row < 0) return 1;
  NetDevice d = page.Row(row);
  if (port) d.Port = *port;
  if (name) d.Name = *name;
  // The page refuses a row whose stored address cannot be opened.
  if (const std::string why = page.UpdateRow(row, d); !why.empty()) return s.Fail(1, "net: Not updated: " + why);
  return Saved(s, net);
}

// delete, disable and enable: what the page's Delete and State buttons do to a row.
int RowAction(Session& s, NetworkSteps& net, const std::vector<std::string>& a) {
  NetworkPage& page = net.page;
  if (a.size() != 2) return Usage(s, a[0] + " needs IP");
  const int row = FindRow(s, net, a[1]);
  if (row < 0) return 1;
  if (a[0] == "delete") {
    if (!page.DeleteRow(row)) return s.Fail(1, "net: not deleted");
  } else {
    page.SetRowDisabled(row, a[0] == "disable");
  }
  return Saved(s, net);
}

int RunNet(Session& s) {
  NetworkSteps net(s);
  NetworkPage& page = net.page;
  const std::vector<std::string>& a = s.args;
  if (a.empty()) return Usage(s, "a subcommand is needed");
  if (a[0] == "list") {
    if (a.size() != 1) return Usage(s, "list takes no arguments");
    PrintList(s, page);
    return 0;
  }
  if (a[0] == "add") return Add(s, net, a);
  if (a[0] == "update") return Update(s, net, a);
  if (a[0] == "delete" || a[0] == "disable" || a[0] == "enable") return RowAction(s, net, a);
  return Usage(s, "unknown subcommand " + a[0]);
}

Registrar netCommand(
    {"net",
     "list | add IP PORT [NAME] | update IP [--port P] [--name N] | delete IP | disable IP | enable IP",
     "list and edit the stored network devices, as the Network page does",
     "list prints one device a line: its mark (Stored, New, Disabled, Found, Disabled-Found),\n"
     "a tab, IP, a tab, port, a tab, name, a tab, MAC. The other subcommands change the list\n"
     "as the page's buttons do, save it as the page's Save does and print the saved list.\n"
     "Where several devices share an IP, name one as IP:PORT. delete asks first: answer\n"
     "with --yes. Enabled devices are offered as NET:IP:PORT ports (see ports).",
     RunNet,
     {},
     false,
     [](const std::vector<std::string>& a) { return !a.empty() && a[0] != "list"; }});

}  // namespace
}  // namespace bx::cli
