// brevantix-cli search, modes and select-mode: the Settings page's adapter operations.
#include <ostream>

#include "cli/AdapterSteps.h"
#include "cli/Cli.h"
#include "core/Captions.h"
#include "session/AdapterSession.h"
#include "session/ReplyLines.h"
#include "wifi/UrlQuery.h"

namespace bx::cli {
namespace {

// What the log pane shows of the reply; the WiFi record's line ("WS:...") with its keys
// masked as wifi read masks them, unless asked for.
std::vector<std::string> ReplyLines(Session& s, const AdapterDevice& d) {
  std::vector<std::string> lines = d.Answered() ? LogLines(d.Reply() + "\r\n") : std::vector<std::string>{};
  if (const std::size_t dropped = d.Dropped(); dropped > 0)
    lines.push_back(Format("%zu bytes of the adapter's answer were dropped: an exchange keeps at most %zu bytes.",
                           dropped, kMaxReplyBytes));
  bool showKeys = false;
  for (const auto& a : s.args) showKeys = showKeys || a == "--show-keys";
  if (!showKeys)
    for (std::string& line : lines)
      if (StartsWith(line, "WS:")) line = MaskQueryValues(line, {"APPW", "STPW"}, "****");
  return lines;
}

// A search that found no adapter prints what came back (if anything) and no identity: a
// list of empty fields would read as an adapter with no serial number.
void PrintStatus(Session& s, const AdapterDevice& d, bool found) {
  const AdapterSession& a = d.Session();
  if (s.json) {
    s.json->doc["log"] = LinesJson(ReplyLines(s, d));
    s.json->doc["status"] = StatusJson(a);
    return;
  }
  std::ostream& out = *s.out;
  for (const auto& line : ReplyLines(s, d)) out << ShownLine(line) << "\n";
  if (!found) return;
  out << "\n";
  const IdentityRecord& id = a.Identity();
  out << kHardwareLabel << " " << Shown(id.hardware) << "\n";
  out << kBootwareLabel << " " << Shown(id.bootware) << "\n";
  out << kFirmwareLabel << " " << Shown(id.firmware) << "\n";
  out << kSerialLabel << " " << Shown(id.serial) << "\n";
  out << kPortLabel << " " << Shown(a.PortShown()) << "\n";
  if (!a.Battery().empty()) out << kBatteryLabel << " " << Shown(a.Battery()) << "\n";
}

void ShowModes(Session& s, const ModeListing& modes) {
  if (s.json)
    s.json->doc["modes"] = ModesJson(modes);
  else
    PrintModes(s, modes);
}

bool ShowAll(Session& s) {
  for (const auto& a : s.args)
    if (a == "--show-all") return true;
  return false;
}

int RunSearch(Session& s) {
  if (!s.TakesOnly("search", {"--show-keys"})) return 2;
  if (!s.ChoosePort()) return 2;
  const auto d = ChosenDevice(s);
  const bool ok = Search(s, *d);
  PrintStatus(s, *d, ok);
  return ok ? 0 : 1;
}

int RunModes(Session& s) {
  if (!s.TakesOnly("modes", {"--show-all"})) return 2;
  if (!s.ChoosePort()) return 2;
  const auto d = ChosenDevice(s);
  if (!Search(s, *d, ShowAll(s))) return 1;
  ShowModes(s, d->Modes());
  return 0;
}

int RunSelectMode(Session& s) {
  if (!s.TakesOnly("select-mode", {"--show-all"}, 1)) return 2;
  std::string id;
  for (const auto& a : s.args)
    if (a != "--show-all") id = a;
  if (id.empty()) return s.Fail(2, "select-mode needs a mode ID (see the modes command)");
  if (!s.ChoosePort()) return 2;
  const auto d = ChosenDevice(s);
  if (!Search(s, *d, ShowAll(s))) return 1;
  const ModeListing before = d->Modes();
  const ModeRow* row = nullptr;
  for (const ModeRow& r : before.rows)
    if (r.id == id && !row) row = &r;
  if (!row) {
    ShowModes(s, before);
    return s.Fail(1, "the adapter lists no mode " + id);
  }
  // Selecting the entry shows the program linked to its mode, as the page does (a read of
  // the store that keeps an empty link for it).
  s.settings->ReadSettingString("Run", id, "");
  if (row->state == mode_state::Selected) {
    ShowModes(s, before);
    *s.err << "brevantix-cli: mode " << Shown(id) << " is the running mode already\n";
    return 0;
  }
  if (row->state == mode_state::Hidden) {
    ShowModes(s, before);
    return s.Fail(1, "mode " + id + " cannot be selected: it is hidden");
  }
  if (!RunDevice(s, *d, d->SelectMode(id))) return 1;
  ShowModes(s, d->Modes());
  return 0;
}

const char* kShowAllHelp = "  --show-all   tick \"Show ALL\": list hidden modes too, with the legend states";

Registrar search({"search",
                  "[--show-keys]",
                  "search for the adapter on the chosen port and print what it reported",
                  "Prints the log pane after the reply has been read, then the status strip. The WiFi\n"
                  "record's line (WS:) shows its keys APPW and STPW as **** unless --show-keys.\n"
                  "Exit code 0 when the adapter answered, 1 when not, 2 for usage errors.",
                  RunSearch,
                  {},
                  true});
Registrar modes(
    {"modes", "[--show-all]", "search, then list the adapter's operating modes", kShowAllHelp, RunModes, {}, true});
Registrar selectMode({"select-mode",
                      "ID [--show-all]",
                      "search, switch the adapter to the mode ID and list the modes",
                      kShowAllHelp,
                      RunSelectMode,
                      {},
                      true});

}  // namespace
}  // namespace bx::cli
