// brevantix-cli system: the System page's hardware options, read with its "Read" and
// changed with its "Save".
#include <optional>
#include <ostream>

#include "cli/AdapterSteps.h"
#include "cli/Cli.h"
#include "exchange/Exchange.h"
#include "window/Modules.h"

namespace bx::cli {
namespace {

// The options by the names the command line gives them, in the order Save sends them.
struct Option {
  const char* name;
  ui::TRadioGroup* group;  // null: the MSD check box
};

std::vector<Option> Options(TfrmMain& f) {
  return {
      {"msd", nullptr}, {"wireless", &f.rgSYS_Wireless}, {"bluetooth", &f.rgSYS_Bluetooth}, {"wifi", &f.rgSYS_WiFi}};
}

int Value(TfrmMain& f, const Option& o) { return o.group ? o.group->ItemIndex() : (f.cbSYS_MSD.Checked() ? 1 : 0); }

std::string Text(TfrmMain& f, const Option& o) {
  if (!o.group) return f.cbSYS_MSD.Checked() ? "on" : "off";
  const int i = o.group->ItemIndex();
  return i >= 0 && i < static_cast<int>(o.group->Items().size()) ? o.group->Items()[std::size_t(i)] : "";
}

void ShowOptions(Session& s) {
  TfrmMain& f = *s.form;
  Json options = Json::object();
  for (const Option& o : Options(f)) {
    if (s.json)
      options[o.name] = {{"value", Value(f, o)}, {"text", Text(f, o)}};
    else
      *s.out << o.name << "\t" << Value(f, o) << "\t" << Shown(Text(f, o)) << "\n";
  }
  if (s.json) s.json->doc["options"] = options;
}

// Search (the reply's "SI:" line offers the page), then the page's Read.
bool ReadOptions(Session& s) {
  if (!s.ChoosePort() || !Search(s)) return false;
  TfrmMain& f = *s.form;
  if (!f.btSYS_Read.Usable()) {
    s.Fail(1, "this adapter reports no system options");
    return false;
  }
  f.btSYS_Read.Click();
  return RunExchange(s) && f.Modules->exchange->Answered();
}

int RunRead(Session& s) {
  if (!ReadOptions(s)) return 1;
  ShowOptions(s);
  return 0;
}

// "--name V" pairs: V 0 or 1 for msd, 0 to 2 for the groups.
bool ParseSet(Session& s, std::vector<std::pair<std::string, int>>& wanted) {
  const std::vector<std::string>& a = s.args;
  for (std::size_t i = 1; i < a.size(); i += 2) {
    const std::string name = a[i].rfind("--", 0) == 0 ? a[i].substr(2) : "";
    const bool known = name == "msd" || name == "wireless" || name == "bluetooth" || name == "wifi";
    const std::string v = i + 1 < a.size() ? a[i + 1] : "";
    const int max = name == "msd" ? 1 : 2;
    if (!known || v.size() != 1 || v[0] < '0' || v[0] > '0' + max) {
      s.Fail(2,
             "system set: " + (known ? "--" + name + " takes 0 to " + std::to_string(max) : "unknown option " + a[i]));
      return false;
    }
    wanted.emplace_back(name, v[0] - '0');
  }
  if (wanted.empty()) s.Fail(2, "system set needs --msd, --wireless, --bluetooth or --wifi");
  return !wanted.empty();
}

int RunSet(Session& s) {
  std::vector<std::pair<std::string, int>> wanted;
  if (!ParseSet(s, wanted)) return 2;
  if (!ReadOptions(s)) return 1;
  TfrmMain& f = *s.form;
  // As the user changes them: a click on the group or the box; the options not named
  // keep what the adapter reported.
  for (const auto& [name, value] : wanted)
    for (const Option& o : Options(f)) {
      if (name != o.name) continue;
      if (o.group)
        o.group->UserSelect(value);
      else if (Value(f, o) != value)
        f.cbSYS_MSD.Click();
    }
  if (!f.btSYS_Save.Usable()) {
    *s.err << "brevantix-cli: the adapter has these options already: nothing to save\n";
  } else {
    f.btSYS_Save.Click();
    if (!RunExchange(s) || !f.Modules->exchange->Answered()) return 1;
    if (!s.json) *s.out << "Sent " << Shown(f.edCOMM_Command.Text()) << "\n";
    if (s.json) s.json->doc["sent"] = f.edCOMM_Command.Text();
  }
  ShowOptions(s);
  return 0;
}

int RunSystem(Session& s) {
  if (s.args.empty()) return s.Fail(2, "system needs read or set (see brevantix-cli system --help)");
  if (s.args[0] == "read") {
    if (s.args.size() != 1) return s.Fail(2, "system read takes no arguments");
    return RunRead(s);
  }
  if (s.args[0] == "set") return RunSet(s);
  return s.Fail(2, "system: unknown subcommand " + s.args[0]);
}

Registrar systemCommand({"system",
                         "read | set [--msd 0|1] [--wireless N] [--bluetooth N] [--wifi N]",
                         "read or change the adapter's hardware options, as the System page does",
                         "read searches, presses the System page's Read and prints one option a line: its\n"
                         "name, a tab, its value, a tab, its text (msd: 0 off, 1 on; wireless: 0 Disabled,\n"
                         "1 Bluetooth, 2 Wi-Fi; bluetooth: 0 Disabled, 1 HC-06, 2 HC-02; wifi: 0 Disabled,\n"
                         "1 Brevantix Serial Bridge Firmware, 2 General Serial Bridge Firmware).\n"
                         "set reads them the same way, changes only the options named, presses Save (the\n"
                         "adapter is sent all four, the others as it reported them) and prints the sent\n"
                         "command and the options the adapter answered with.\n"
                         "Exit code 0 when done, 1 when the adapter did not answer, 2 for usage errors.",
                         RunSystem,
                         {},
                         true});

}  // namespace
}  // namespace bx::cli
