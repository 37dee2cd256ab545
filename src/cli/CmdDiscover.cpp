// brevantix-cli discover: the Network page's Search (or, with a target, the search for
// that one address that Find runs), to its end.
#include <algorithm>
#include <ostream>

#include "cli/Cli.h"
#include "cli/JsonDocument.h"
#include "cli/NetworkSteps.h"

namespace bx::cli {
namespace {

bool Answered(int mark) { return mark == kMarkNew || mark == kMarkFound || mark == kMarkDisabledFound; }

int RunDiscover(Session& s) {
  std::string target;
  bool save = false;
  for (const std::string& a : s.args) {
    if (a == "--save")
      save = true;
    else if (target.empty() && !a.empty() && a[0] != '-')
      target = a;
    else
      return s.Fail(2, "discover: unexpected argument " + a + " (see brevantix-cli discover --help)");
  }
  NetworkSteps net(s);
  NetworkPage& page = net.page;
  NetworkSearch& search = net.search;
  // The whole network as the page's Search looks (its "No" to unsaved rows reloads the
  // list), or one address as Find does.
  if (target.empty() || target == NetworkPage::kSearchAll)
    page.Search(NetworkPage::kSearchAll, true);
  else
    page.Search(target);
  const int64_t bound = int64_t(NetworkSearch::kPasses + 1) * NetworkSearch::kTicksPerPass * NetworkSearch::kTickMs;
  s.RunUntil([&search] { return !search.Running(); }, bound * 2);
  if (s.Signal()) search.Stop();
  Json devices = Json::array();
  if (!s.json)
    for (const std::string& line : net.Log()) *s.out << ShownLine(line) << "\n";
  int found = 0;
  for (int i = 0; i < page.RowCount(); ++i) {
    if (!Answered(page.RowMark(i))) continue;
    const NetDevice d = page.Row(i);
    if (s.json)
      devices.push_back(
          {{"name", d.Name}, {"mac", d.MAC}, {"ip", d.IP}, {"port", d.Port}, {"mark", MarkWord(page.RowMark(i))}});
    else
      *s.out << Shown(FormatDeviceLine(d)) << "\t" << MarkWord(page.RowMark(i)) << "\n";
    ++found;
  }
  if (s.json) {
    s.json->doc["log"] = LinesJson(net.Log());
    s.json->doc["devices"] = devices;
  }
  // Without --save the new rows are dropped as the page's "No" drops them.
  if (save)
    page.SaveList();
  else if (page.Unsaved())
    page.LoadList();
  if (found == 0 && s.json) s.json->Error("no adapter answered");
  return found > 0 ? 0 : 1;
}

Registrar discover({"discover",
                    "[TARGET] [--save]",
                    "search the network for adapters, as the Network page's Search does",
                    "Sends the search request four times, one second apart: to the whole local\n"
                    "network (the limited broadcast and each interface's directed broadcast), or\n"
                    "with TARGET (an IP address or host name) to that address alone, as Find does.\n"
                    "Prints the page's log (where each request went, each answer), then one line\n"
                    "per device that answered: its device line (name, MAC, IP, port), a tab and its\n"
                    "mark (New: not listed yet; Found, Disabled-Found: listed). Exit 0 when a device\n"
                    "answered, 1 when none did. --save adds the new devices to the stored list, as\n"
                    "Save does; they are then offered as NET:IP:PORT ports (see net list, ports).",
                    RunDiscover,
                    {},
                    true,
                    [](const std::vector<std::string>& a) {
                      return std::find(a.begin(), a.end(), "--save") != a.end();
                    }});

}  // namespace
}  // namespace bx::cli
