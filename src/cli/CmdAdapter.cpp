// brevantix-cli search, modes and select-mode: the Settings page's adapter operations.
#include <ostream>

#include "window/Modules.h"
#include "cli/Cli.h"
#include "exchange/Exchange.h"
#include "modes/ModeList.h"

namespace bx::cli {
namespace {

constexpr int64_t kExchangeLimitMs = 120000;

bool RunExchange(Session& s) {
  Exchange& ex = *s.form->Modules->exchange;
  return s.RunUntil([&] { return !ex.Running(); }, kExchangeLimitMs);
}

// Search as the "Search" button does; returns whether the adapter answered.
bool Search(Session& s) {
  TfrmMain& f = *s.form;
  if (!f.btSearch.Usable()) {
    *s.err << "brevantix-cli: Search is not available on this port\n";
    return false;
  }
  f.btSearch.Click();
  if (!RunExchange(s)) {
    *s.err << "brevantix-cli: the search did not end\n";
    return false;
  }
  return f.Modules->exchange->Answered();
}

void PrintStatus(Session& s) {
  TfrmMain& f = *s.form;
  std::ostream& out = *s.out;
  for (const auto& line : f.memLog.Lines()) out << line << "\n";
  out << "\n";
  out << f.lbHardware.Caption() << " " << f.edHardware.Text() << "\n";
  out << f.lbBootVer.Caption() << " " << f.edBootVer.Text() << "\n";
  out << f.lbFirmware.Caption() << " " << f.edVersion.Text() << "\n";
  out << f.lbSerial.Caption() << " " << f.edSerial.Text() << "\n";
  out << f.lbCOM.Caption() << " " << f.edCOM.Text() << "\n";
  if (f.edBattery.Visible()) out << f.lbBattery.Caption() << " " << f.edBattery.Text() << "\n";
}

const char* StateName(int state) {
  switch (state) {
    case mode_state::Selected: return "Selected";
    case mode_state::Active: return "Active";
    case mode_state::Hidden: return "Hidden";
    default: return "Normal";
  }
}

void PrintModes(Session& s) {
  ui::TListView& lv = s.form->lvModes;
  *s.out << "#\tID\tDescription\tState\n";
  for (int i = 0; i < lv.Count(); ++i) {
    const ui::TListItem& it = lv.Item(i);
    const auto& sub = it.SubItems();
    *s.out << it.Caption() << "\t" << (sub.size() > 0 ? sub[0] : "") << "\t" << (sub.size() > 1 ? sub[1] : "") << "\t"
           << StateName(it.StateIndex()) << "\n";
  }
}

bool ShowAll(Session& s) {
  for (const auto& a : s.args)
    if (a == "--show-all") return true;
  return false;
}

// With "Show ALL" the box is ticked before the search (its click is itself a search).
bool SearchWithOptions(Session& s) {
  if (ShowAll(s)) {
    s.form->cbShow.SetChecked(true);
    if (!RunExchange(s)) return false;
    return s.form->Modules->exchange->Answered();
  }
  return Search(s);
}

int RunSearch(Session& s) {
  if (!s.ChoosePort()) return 2;
  const bool ok = Search(s);
  PrintStatus(s);
  return ok ? 0 : 1;
}

int RunModes(Session& s) {
  if (!s.ChoosePort()) return 2;
  if (!SearchWithOptions(s)) return 1;
  PrintModes(s);
  return 0;
}

int RunSelectMode(Session& s) {
  std::string id;
  for (const auto& a : s.args)
    if (a != "--show-all") id = a;
  if (id.empty()) {
    *s.err << "brevantix-cli: select-mode needs a mode ID (see the modes command)\n";
    return 2;
  }
  if (!s.ChoosePort()) return 2;
  if (!SearchWithOptions(s)) return 1;
  TfrmMain& f = *s.form;
  int index = -1;
  for (int i = 0; i < f.lvModes.Count(); ++i)
    if (!f.lvModes.Item(i).SubItems().empty() && f.lvModes.Item(i).SubItems()[0] == id) index = i;
  if (index < 0) {
    *s.err << "brevantix-cli: the adapter lists no mode " << id << "\n";
    PrintModes(s);
    return 1;
  }
  f.lvModes.UserSelect(index);
  if (!f.btModeSelect.Usable()) {
    const int state = f.lvModes.Item(index).StateIndex();
    *s.err << "brevantix-cli: mode " << id << " cannot be selected: it is "
           << (state == mode_state::Selected ? "the running mode" : "hidden") << "\n";
    PrintModes(s);
    return state == mode_state::Selected ? 0 : 1;
  }
  f.btModeSelect.Click();
  if (!RunExchange(s) || !f.Modules->exchange->Answered()) return 1;
  PrintModes(s);
  return 0;
}

const char* kShowAllHelp = "  --show-all   tick \"Show ALL\": list hidden modes too, with the legend states";

Registrar search({"search", "", "search for the adapter on the chosen port and print what it reported",
                  "Prints the log pane after the reply has been read, then the status strip.\n"
                  "Exit code 0 when the adapter answered, 1 when not, 2 for usage errors.",
                  RunSearch, {}});
Registrar modes({"modes", "[--show-all]", "search, then list the adapter's operating modes", kShowAllHelp,
                 RunModes, {}});
Registrar selectMode({"select-mode", "ID [--show-all]", "search, switch the adapter to the mode ID and list the modes",
                      kShowAllHelp, RunSelectMode, {}});

}  // namespace
}  // namespace bx::cli
