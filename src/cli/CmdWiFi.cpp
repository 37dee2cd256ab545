// brevantix-cli wifi: the WiFi page (Read, Save), its "Scan APs" page (Rescan, Select)
// and the System page's WiFi chipset buttons (Update, Factory Reset).
#include <optional>
#include <ostream>

#include "cli/AdapterSteps.h"
#include "cli/Cli.h"
#include "exchange/Exchange.h"
#include "platform/Files.h"
#include "platform/Terminal.h"
#include "wifi/WiFiPage.h"
#include "wifi/WiFiScan.h"
#include "window/Modules.h"

namespace bx::cli {
namespace {

using Entry = WiFiPage::Entry;
using Kind = WiFiPage::Kind;

constexpr const char* kMask = "****";

bool ShowKeys(const std::vector<std::string>& args) {
  for (const auto& a : args)
    if (a == "--show-keys") return true;
  return false;
}

bool IsKey(const std::string& key) { return key == "APPW" || key == "STPW"; }

// A key is longer than this in no record; a key file's first line is all that is read.
constexpr std::size_t kKeyInputLimit = 256;
constexpr std::size_t kKeyFileLimit = 4096;

// A key from standard input ("-"), prompted for without echo on a terminal; nullopt (reported)
// when none comes.
std::optional<std::string> KeyFromInput(Session& s, const std::string& what) {
  auto key = ReadStandardInputLine(what + ": ", kKeyInputLimit, [&s] { return s.Signal() != 0; });
  if (!key && s.Signal() == 0) s.Fail(2, "wifi: no " + what + " on standard input");
  return key;
}

// A key from the first line of a file; nullopt (reported) when it cannot be read.
std::optional<std::string> KeyFromFile(Session& s, const std::string& what, const std::string& file) {
  std::string text;
  if (const FileRead r = ReadRegularFile(file, kKeyFileLimit, text); !r.Ok()) {
    s.Fail(2, "wifi: the " + what + " file " + file + " cannot be read: " + r.why);
    return std::nullopt;
  }
  return text.substr(0, text.find_first_of("\r\n"));
}

// A key given as an argument is in the process list for every user of the machine.
void WarnKeyInArguments(Session& s, const std::string& instead) {
  *s.err << "brevantix-cli: warning: a key on the command line can be read by every user of this machine; give it "
         << instead << "\n";
}

// The entry's value as the record has it: the text, "1"/"0", the channel, the
// security code.
std::string EntryValue(const Entry& e) {
  switch (e.kind) {
    case Kind::Text:
      return static_cast<ui::TEdit*>(e.control)->Text();
    case Kind::Check:
      return static_cast<ui::TCheckBox*>(e.control)->Checked() ? "1" : "0";
    case Kind::Channel:
      return static_cast<ui::TComboBox*>(e.control)->Text();
    case Kind::Security: {
      const int i = static_cast<ui::TComboBox*>(e.control)->ItemIndex();
      return i < 0 ? "" : std::to_string(i == 0 ? 0 : i + 1);
    }
  }
  return {};
}

void ShowRecord(Session& s, bool showKeys) {
  Json record = Json::object();
  for (const Entry& e : s.form->Modules->wifi->Entries()) {
    std::string v = EntryValue(e);
    if (IsKey(e.key) && !showKeys && !v.empty()) v = kMask;
    if (s.json)
      record[e.key] = v;
    else
      *s.out << e.key << "=" << Shown(v) << "\n";
  }
  if (s.json) s.json->doc["record"] = record;
}

// Search, then the WiFi page's Read; false (reported) when the adapter offers no WiFi
// page or did not answer.
bool ReadRecord(Session& s) {
  if (!s.ChoosePort() || !Search(s)) return false;
  TfrmMain& f = *s.form;
  if (!f.btWiFi_Read.Usable()) {
    s.Fail(1, "this adapter offers no WiFi settings (its bridge does not run the Brevantix firmware)");
    return false;
  }
  f.btWiFi_Read.Click();
  return RunExchange(s) && f.Modules->exchange->Answered();
}

// The save command as sent, its keys masked unless asked for.
std::string Masked(const std::string& command, bool showKeys) {
  if (showKeys) return command;
  std::string out;
  std::size_t start = command.find('?');
  if (start == std::string::npos) return command;
  out = command.substr(0, start);
  while (start < command.size()) {
    const std::size_t end = command.find('&', start + 1);
    std::string part = command.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const std::size_t eq = part.find('=');
    if (eq != std::string::npos && IsKey(part.substr(1, eq - 1)) && eq + 1 < part.size())
      part = part.substr(0, eq + 1) + kMask;
    out += part;
    start = end == std::string::npos ? command.size() : end;
  }
  return out;
}

// Saves what the page has marked, as its Save does; false when the adapter did not answer.
bool SaveMarked(Session& s, bool showKeys) {
  TfrmMain& f = *s.form;
  if (!f.btWiFi_Save.Usable()) {
    *s.err << "brevantix-cli: nothing changed: nothing to save\n";
    return true;
  }
  const int before = f.Modules->exchange->CommandsSent();
  f.btWiFi_Save.Click();
  if (f.Modules->exchange->CommandsSent() == before && !f.Modules->exchange->Running()) return true;
  if (!RunExchange(s) || !f.Modules->exchange->Answered()) return false;
  const std::string sent = Masked(f.edCOMM_Command.Text(), showKeys);
  if (s.json)
    s.json->doc["sent"] = sent;
  else
    *s.out << "Sent " << Shown(sent) << "\n";
  return true;
}

// The index of `value` among a choice list's items (the channel "6"), or for the
// security list its code (0, 2, 3, 4) or its text ("WPA2-PSK"); -1 when none.
int ChoiceIndex(const Entry& e, const std::string& value) {
  const auto& items = static_cast<ui::TComboBox*>(e.control)->Items();
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i] == value) return static_cast<int>(i);
  if (e.kind == Kind::Security && value.size() == 1 && value[0] >= '0' && value[0] <= '4' && value != "1")
    return value == "0" ? 0 : value[0] - '0' - 1;
  return -1;
}

// Types, ticks or picks one entry's value as the user would; "" or why it cannot be.
std::string Apply(const Entry& e, const std::string& value) {
  if (!e.control->Usable())
    return std::string(e.key) + " cannot be changed now" + (e.staticAddress ? " (DHCP is on: give SDHCP=0)" : "");
  if (e.kind == Kind::Text) {
    auto* edit = static_cast<ui::TEdit*>(e.control);
    if (edit->MaxLength > 0 && static_cast<int>(value.size()) > edit->MaxLength)
      return std::string(e.key) + " takes at most " + std::to_string(edit->MaxLength) + " characters";
    edit->UserType(value);
  } else if (e.kind == Kind::Check) {
    if (value != "0" && value != "1") return std::string(e.key) + " takes 0 or 1";
    auto* box = static_cast<ui::TCheckBox*>(e.control);
    if (box->Checked() != (value == "1")) box->Click();
  } else {
    const int i = ChoiceIndex(e, value);
    if (i < 0) return std::string(e.key) + " has no choice " + value;
    static_cast<ui::TComboBox*>(e.control)->UserSelect(i);
  }
  return {};
}

int RunRead(Session& s) {
  for (std::size_t i = 1; i < s.args.size(); ++i)
    if (s.args[i] != "--show-keys") return s.Fail(2, "wifi read: unexpected argument " + s.args[i]);
  if (!ReadRecord(s)) return 1;
  ShowRecord(s, ShowKeys(s.args));
  return 0;
}

int RunSet(Session& s) {
  WiFiPage& page = *s.form->Modules->wifi;
  std::vector<std::pair<const Entry*, std::string>> pairs;
  for (std::size_t i = 1; i < s.args.size(); ++i) {
    if (s.args[i] == "--show-keys") continue;
    const bool fromFile = s.args[i] == "--key-file";
    if (fromFile && i + 1 >= s.args.size()) return s.Fail(2, "wifi set: --key-file needs KEY=FILE");
    const std::string& arg = fromFile ? s.args[++i] : s.args[i];
    const std::size_t eq = arg.find('=');
    const Entry* e = eq == std::string::npos ? nullptr : page.Find(arg.substr(0, eq));
    if (!e) return s.Fail(2, "wifi set: " + arg + " is no KEY=VALUE of the record (see wifi read)");
    if (!e->saved) return s.Fail(2, "wifi set: " + std::string(e->key) + " is only read, never saved");
    std::optional<std::string> value = arg.substr(eq + 1);
    if (fromFile && !IsKey(e->key)) return s.Fail(2, "wifi set: --key-file takes APPW=FILE or STPW=FILE");
    if (fromFile)
      value = KeyFromFile(s, e->key, *value);
    else if (IsKey(e->key) && *value == "-")
      value = KeyFromInput(s, e->key);
    else if (IsKey(e->key) && !value->empty())
      WarnKeyInArguments(s, "as " + std::string(e->key) + "=- (standard input) or --key-file " + e->key + "=FILE");
    if (!value) return 2;
    if (HasControl(*value))
      return s.Fail(2, "wifi set: the value of " + std::string(e->key) + " must not hold control characters");
    if (const std::string why = WiFiPage::ValueProblem(*e, *value); !why.empty())
      return s.Fail(2, "wifi set: " + std::string(e->key) + ": " + why);
    pairs.emplace_back(e, *value);
  }
  if (pairs.empty()) return s.Fail(2, "wifi set needs KEY=VALUE");
  if (!ReadRecord(s)) return 1;
  // The boxes first: "DHCP Enable" decides whether the static station fields take input.
  for (const bool boxes : {true, false})
    for (const auto& [e, value] : pairs)
      if ((e->kind == Kind::Check) == boxes)
        if (const std::string why = Apply(*e, value); !why.empty()) return s.Fail(2, "wifi set: " + why);
  if (!SaveMarked(s, ShowKeys(s.args))) return 1;
  ShowRecord(s, ShowKeys(s.args));
  return 0;
}

void ShowAccessPoints(Session& s) {
  const ui::TListView& lv = s.form->lvWiFi_Scan_AP;
  Json list = Json::array();
  for (int i = 0; i < lv.Count(); ++i) {
    const ui::TListItem& it = lv.Item(i);
    const auto sub = [&](std::size_t k) { return k < it.SubItems().size() ? it.SubItems()[k] : std::string(); };
    const bool joined = it.StateIndex() == 0;
    if (s.json)
      list.push_back({{"ssid", it.Caption()},
                      {"rssi", sub(0)},
                      {"channel", sub(1)},
                      {"security", sub(2)},
                      {"mac", sub(3)},
                      {"joined", joined}});
    else
      *s.out << Shown(it.Caption()) << "\t" << Shown(sub(0)) << "\t" << Shown(sub(1)) << "\t" << Shown(sub(2)) << "\t"
             << Shown(sub(3)) << (joined ? "\tJoined" : "") << "\n";
  }
  if (s.json) s.json->doc["accessPoints"] = list;
}

// Read (which offers "Scan APs"), then the scan page's scan.
bool Scan(Session& s) {
  if (!ReadRecord(s)) return false;
  TfrmMain& f = *s.form;
  if (!f.btWiFi_Scan.Usable()) {
    s.Fail(1, "the WiFi page offers no scan");
    return false;
  }
  f.btWiFi_Scan.Click();
  return RunExchange(s) && f.Modules->exchange->Answered();
}

int RunScan(Session& s) {
  if (s.args.size() != 1) return s.Fail(2, "wifi scan takes no arguments");
  if (!Scan(s)) return 1;
  ShowAccessPoints(s);
  return 0;
}

int RunJoin(Session& s) {
  std::string ssid;
  std::optional<std::string> key;
  for (std::size_t i = 1; i < s.args.size(); ++i) {
    if ((s.args[i] == "--key" || s.args[i] == "--key-file") && i + 1 >= s.args.size())
      return s.Fail(2, "wifi join: " + s.args[i] + " needs " + (s.args[i] == "--key" ? "KEY or -" : "FILE"));
    if (s.args[i] == "--key" || s.args[i] == "--key-file") {
      if (key) return s.Fail(2, "wifi join: " + s.args[i] + ": the key is given already");
      const bool file = s.args[i] == "--key-file";
      const std::string& v = s.args[++i];
      key = file ? KeyFromFile(s, "key", v) : v == "-" ? KeyFromInput(s, "Key") : std::optional<std::string>(v);
      if (!key) return 2;
      if (!file && v != "-") WarnKeyInArguments(s, "with --key - (standard input) or --key-file FILE");
    } else if (ssid.empty() && s.args[i] != "--show-keys")
      ssid = s.args[i];
    else if (s.args[i] != "--show-keys")
      return s.Fail(2, "wifi join: unexpected argument " + s.args[i]);
  }
  if (ssid.empty()) return s.Fail(2, "wifi join needs the SSID of an access point (see wifi scan)");
  if (key && key->size() > 32) return s.Fail(2, "wifi join: a key takes at most 32 characters");
  if (HasControl(ssid) || (key && HasControl(*key)))
    return s.Fail(
        2, std::string("wifi join: the ") + (HasControl(ssid) ? "SSID" : "key") + " must not hold control characters");
  if (!Scan(s)) return 1;
  TfrmMain& f = *s.form;
  int row = -1;
  const std::vector<AccessPointRow>& rows = f.Modules->wifi->Scan().Rows();
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (rows[i].ssid == ssid) row = static_cast<int>(i);
  if (row < 0) {
    ShowAccessPoints(s);
    return s.Fail(1, "the scan found no access point " + ssid);
  }
  f.lvWiFi_Scan_AP.UserSelect(row);
  // The network the station is set to join already is not offered by Select.
  if (f.btWiFi_Scan_Select.Usable())
    f.btWiFi_Scan_Select.Click();
  else
    f.btWiFi_Scan_Cancel.Click();
  if (key) f.edWiFi_Station_Password.UserType(*key);
  if (!SaveMarked(s, ShowKeys(s.args))) return 1;
  ShowRecord(s, ShowKeys(s.args));
  return 0;
}

// Update and Factory Reset: the System page's button, its answer in memSYS.
int RunChipset(Session& s, bool factoryReset) {
  if (s.args.size() != 1) return s.Fail(2, "wifi " + s.args[0] + " takes no arguments");
  if (!s.ChoosePort() || !Search(s)) return 1;
  TfrmMain& f = *s.form;
  ui::TButton& button = factoryReset ? f.btWiFi_Factory_Reset : f.btWiFi_Update;
  if (!button.Usable()) return s.Fail(1, "this adapter offers no WiFi chipset maintenance");
  Exchange& ex = *f.Modules->exchange;
  const int before = ex.CommandsSent();
  button.Click();
  if (ex.CommandsSent() == before && !ex.Running()) return s.Fail(1, "not reset (answer with --yes)");
  if (!RunExchange(s) || !ex.Answered()) return 1;
  if (s.json)
    s.json->doc["log"] = LinesJson(f.memSYS.Lines());
  else
    for (const auto& line : f.memSYS.Lines()) *s.out << ShownLine(line) << "\n";
  return 0;
}

int RunWiFi(Session& s) {
  const std::string sub = s.args.empty() ? "" : s.args[0];
  if (sub == "read") return RunRead(s);
  if (sub == "set") return RunSet(s);
  if (sub == "scan") return RunScan(s);
  if (sub == "join") return RunJoin(s);
  if (sub == "update" || sub == "factory-reset") return RunChipset(s, sub == "factory-reset");
  return s.Fail(2, "wifi: " + (sub.empty() ? "a subcommand is needed" : "unknown subcommand " + sub) +
                       " (see brevantix-cli wifi --help)");
}

Registrar wifi({"wifi",
                "read | set KEY=VALUE... | scan | join SSID [--key KEY|-] [--key-file FILE] | update | factory-reset  "
                "[--show-keys]",
                "the adapter's WiFi bridge settings, access-point scan and chipset, as the WiFi pages do",
                "read searches, presses the WiFi page's Read and prints the record, KEY=VALUE a line\n"
                "(APPW and STPW as **** unless --show-keys; APAUT as its code: 0 Open, 2 WPA-PSK,\n"
                "3 WPA2-PSK, 4 WPA-WPA2-PSK). set reads it, changes the entries named (as typed,\n"
                "ticked or picked on the page: check boxes take 0 or 1, APCH 1 to 13, APAUT a code\n"
                "or its text; STIP, STNM, STGW, SDNS0 and SDNS1 only with SDHCP=0), presses Save,\n"
                "which sends only the changed entries, and prints what was sent and the record.\n"
                "scan prints the access points as the scan page lists them: SSID, RSSI, channel,\n"
                "security, MAC, and Joined for the network the station is set to join. join SSID\n"
                "selects that access point into the station fields (the key is emptied, or set\n"
                "with --key) and saves. update and factory-reset press the System page's chipset\n"
                "buttons and print the adapter's answer; factory-reset asks first: answer with --yes.\n"
                "Keys stay out of the process list when read from standard input (join --key -, set\n"
                "APPW=- or STPW=-: asked for without echo on a terminal) or from a file's first line\n"
                "(join --key-file FILE, set --key-file STPW=FILE); a key given as an argument still\n"
                "works, with a warning.\n"
                "Exit code 0 when done, 1 when the adapter did not answer or offers no WiFi page,\n"
                "2 for usage errors.",
                RunWiFi,
                {},
                true});

}  // namespace
}  // namespace bx::cli
