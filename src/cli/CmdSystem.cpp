// brevantix-cli system: the System page's hardware options, read with its "Read" and
// changed with its "Save".
#include <optional>
#include <ostream>

#include "cli/AdapterSteps.h"
#include "cli/Cli.h"
#include "core/Captions.h"
#include "core/Protocol.h"

namespace bx::cli {
namespace {

// The options by the names the command line gives them, in the order Save sends them,
// with the texts of their choices as the page offers them.
struct Option {
  const char* name;
  const std::vector<std::string>* choices;  // null: the MSD check box
};

const Option kOptions[] = {
    {"msd", nullptr}, {"wireless", &kWirelessChoices}, {"bluetooth", &kBluetoothChoices}, {"wifi", &kWiFiChoices}};

int Value(const SystemOptions& o, const std::string& name) {
  if (name == "msd") return o.msd ? 1 : 0;
  if (name == "wireless") return o.wireless;
  if (name == "bluetooth") return o.bluetooth;
  return o.wifi;
}

void SetValue(SystemOptions& o, const std::string& name, int value) {
  if (name == "msd") o.msd = value != 0;
  if (name == "wireless") o.wireless = value;
  if (name == "bluetooth") o.bluetooth = value;
  if (name == "wifi") o.wifi = value;
}

std::string Text(const Option& o, int value) {
  if (!o.choices) return value ? "on" : "off";
  const auto& items = *o.choices;
  return value >= 0 && value < static_cast<int>(items.size()) ? items[std::size_t(value)] : "";
}

void ShowOptions(Session& s, const SystemOptions& options) {
  Json json = Json::object();
  for (const Option& o : kOptions) {
    const int v = Value(options, o.name);
    if (s.json)
      json[o.name] = {{"value", v}, {"text", Text(o, v)}};
    else
      *s.out << o.name << "\t" << v << "\t" << Shown(Text(o, v)) << "\n";
  }
  if (s.json) s.json->doc["options"] = json;
}

// Search (the reply's "SI:" line offers the page), then the page's Read.
bool ReadOptions(Session& s, AdapterDevice& d) {
  if (!Search(s, d)) return false;
  if (!d.System()) {
    s.Fail(1, "this adapter reports no system options");
    return false;
  }
  return RunDevice(s, d, d.ReadSystem());
}

int RunRead(Session& s) {
  if (!s.ChoosePort()) return 1;
  const auto d = ChosenDevice(s);
  if (!ReadOptions(s, *d)) return 1;
  ShowOptions(s, *d->System());
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

// The options not named keep what the adapter reported. An adapter that reports other
// options after the save than it was sent has not taken them: that fails.
int RunSet(Session& s) {
  std::vector<std::pair<std::string, int>> wanted;
  if (!ParseSet(s, wanted)) return 2;
  if (!s.ChoosePort()) return 1;
  const auto d = ChosenDevice(s);
  if (!ReadOptions(s, *d)) return 1;
  SystemOptions options = *d->System();
  for (const auto& [name, value] : wanted) SetValue(options, name, value);
  if (options == *d->System()) {
    *s.err << "brevantix-cli: the adapter has these options already: nothing to save\n";
    ShowOptions(s, options);
    return 0;
  }
  const bool begun = d->SaveSystem(options);
  const bool saved = RunDevice(s, *d, begun);
  if (!d->Answered()) return 1;
  const std::string sent = std::string(proto::kCommandPrefix) + SystemSaveSuffix(options);
  if (s.json)
    s.json->doc["sent"] = sent;
  else
    *s.out << "Sent " << Shown(sent) << "\n";
  ShowOptions(s, *d->System());
  return saved ? 0 : 1;
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
