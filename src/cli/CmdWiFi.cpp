// brevantix-cli wifi: the WiFi page (Read, Save), its "Scan APs" page (Rescan, Select)
// and the System page's WiFi chipset buttons (Update, Factory Reset), on an adapter
// device of its own: what the pages would show is read from the adapter's replies.
#include <optional>
#include <ostream>
#include <set>

#include "cli/AdapterSteps.h"
#include "cli/Cli.h"
#include "core/Protocol.h"
#include "platform/Files.h"
#include "platform/Terminal.h"
#include "session/DeviceRecords.h"
#include "session/ReplyLines.h"
#include "wifi/ScanLine.h"
#include "wifi/WiFiCommand.h"
#include "wifi/WiFiRecord.h"

namespace bx::cli {
namespace {

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

// What the WiFi pages would show of the adapter, read from its replies: whether the
// System page offers the WiFi page (its bridge runs the maker's firmware), the record
// in the page's fields, whether the page offers a scan, and the scan's access points.
class WiFiView {
 public:
  // A search empties the pages; its reply's lines fill them.
  void Searched(const std::vector<std::string>& lines) {
    options_ = {};
    offered_ = scanOffered_ = false;
    record_.Clear();
    Take(lines);
  }
  // Read shows the page emptied; the reply fills it.
  void Reading() {
    offered_ = true;
    scanOffered_ = false;
    record_.Clear();
  }
  // A scan lists the access points of its reply only.
  void Scanning() { points_.clear(); }
  // The record's lines of a reply, in order: "SI:" shows or empties the page, "WS:" fills
  // it and offers the scan, "APx:" lists an access point (joined: the station's network).
  void Take(const std::vector<std::string>& lines) {
    for (const std::string& line : RecordLines(lines)) {
      const ReplyLine r = ReadReplyLine(line);
      if (r.key == ReplyKey::SystemOptions) {
        SystemOptions shown = options_;
        shown.link = -1;  // the link is the line's own
        options_ = ReadSystemOptions(r.value, shown);
        offered_ = options_.link == 0 && options_.wifi == 1;
        if (!offered_) {
          record_.Clear();
          scanOffered_ = false;
        }
      } else if (r.key == ReplyKey::WiFiRecord) {
        record_.Apply(r.value);
        scanOffered_ = true;
      } else if (r.key == ReplyKey::AccessPoint && r.third != 's') {
        AccessPointRow row = ParseScanPayload(r.value);
        const bool joined = row.ssid == Value("STAP");
        points_.push_back({std::move(row), joined});
      }
    }
  }

  bool Offered() const { return offered_; }
  bool ScanOffered() const { return offered_ && scanOffered_; }
  const WiFiRecord& Record() const { return record_; }
  // An entry typed, ticked or picked on the page.
  void Set(const WiFiEntry& entry, std::string value) { record_.Set(entry, std::move(value)); }
  const std::string& Value(const char* key) const { return record_.Value(*FindWiFiEntry(key)); }
  bool Dhcp() const { return Value("SDHCP") == "1"; }

  struct Point {
    AccessPointRow row;
    bool joined;
  };
  const std::vector<Point>& Points() const { return points_; }

 private:
  SystemOptions options_;
  bool offered_ = false, scanOffered_ = false;
  WiFiRecord record_;
  std::vector<Point> points_;
};

// The adapter on the chosen port, and what its replies have shown of the WiFi pages.
struct WiFiAdapter : DeviceListener {
  void Line(const std::string& line) override { echoed.push_back(WiFiLogLine(line)); }

  // Runs the command to its end and takes its reply; false (reported) when it failed.
  bool Run(Session& s, const std::string& suffix) {
    if (!RunDevice(s, *device, device->Command(suffix))) return false;
    view.Take(device->ReplyLines());
    return true;
  }

  std::unique_ptr<AdapterDevice> device;
  WiFiView view;
  std::vector<std::string> echoed;     // the reply's lines as the WiFi logs show them
  std::set<const WiFiEntry*> changed;  // the entries the command changed since the read
};

void ShowRecord(Session& s, const WiFiAdapter& a, bool showKeys) {
  Json record = Json::object();
  for (const WiFiEntry& e : WiFiEntries()) {
    std::string v = a.view.Record().Value(e);
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
bool ReadRecord(Session& s, WiFiAdapter& a) {
  if (!s.ChoosePort()) return false;
  a.device = ChosenDevice(s, &a);
  if (!Search(s, *a.device)) return false;
  a.view.Searched(a.device->ReplyLines());
  if (!a.view.Offered()) {
    s.Fail(1, "this adapter offers no WiFi settings (its bridge does not run the Brevantix firmware)");
    return false;
  }
  a.view.Reading();
  return a.Run(s, "WC");
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

// Saves the entries changed, as the page's Save does (only those, the static addresses
// only with DHCP off); false when the adapter did not answer.
bool SaveChanged(Session& s, WiFiAdapter& a, bool showKeys) {
  if (!a.view.Offered() || a.changed.empty()) {
    *s.err << "brevantix-cli: nothing changed: nothing to save\n";
    return true;
  }
  const auto changed = [&a](const WiFiEntry& e) -> std::optional<std::string> {
    const std::string& v = a.view.Record().Value(e);
    // An empty choice has no value to send.
    if (!a.changed.contains(&e) || (e.kind != WiFiKind::Text && e.kind != WiFiKind::Check && v.empty()))
      return std::nullopt;
    return v;
  };
  const std::string command = WiFiSaveCommand(changed, a.view.Dhcp());
  if (command.empty()) return true;
  a.changed.clear();
  if (!a.Run(s, command)) return false;
  const std::string sent = Masked(std::string(proto::kCommandPrefix) + command, showKeys);
  if (s.json)
    s.json->doc["sent"] = sent;
  else
    *s.out << "Sent " << Shown(sent) << "\n";
  return true;
}

// The place of `value` among a choice list's items (the channel "6"), or for the
// security list its code (0, 2, 3, 4) or its text ("WPA2-PSK"); -1 when none.
int ChoiceIndex(const WiFiEntry& e, const std::string& value) {
  const auto& items = WiFiChoices(e.kind);
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i] == value) return static_cast<int>(i);
  if (e.kind == WiFiKind::Security && value.size() == 1 && value[0] >= '0' && value[0] <= '4' && value != "1")
    return SecurityChoice(value);
  return -1;
}

// Types, ticks or picks one entry's value as the user would on the page; "" or why it
// cannot be. A text or box counts as changed when its value does; a pick always does.
std::string Apply(WiFiAdapter& a, const WiFiEntry& e, const std::string& value) {
  WiFiView& v = a.view;
  if (!v.Offered() || (e.staticAddress && v.Dhcp()))
    return std::string(e.key) + " cannot be changed now" + (e.staticAddress ? " (DHCP is on: give SDHCP=0)" : "");
  if (e.kind == WiFiKind::Text) {
    if (e.maxLength > 0 && static_cast<int>(value.size()) > e.maxLength)
      return std::string(e.key) + " takes at most " + std::to_string(e.maxLength) + " characters";
  } else if (e.kind == WiFiKind::Check) {
    if (value != "0" && value != "1") return std::string(e.key) + " takes 0 or 1";
  } else {
    const int i = ChoiceIndex(e, value);
    if (i < 0) return std::string(e.key) + " has no choice " + value;
    a.changed.insert(&e);
    v.Set(e, e.kind == WiFiKind::Security ? SecurityCode(i) : WiFiChoices(e.kind)[std::size_t(i)]);
    return {};
  }
  if (v.Record().Value(e) != value) {
    a.changed.insert(&e);
    v.Set(e, value);
  }
  return {};
}

int RunRead(Session& s) {
  for (std::size_t i = 1; i < s.args.size(); ++i)
    if (s.args[i] != "--show-keys") return s.Fail(2, "wifi read: unexpected argument " + s.args[i]);
  WiFiAdapter a;
  if (!ReadRecord(s, a)) return 1;
  ShowRecord(s, a, ShowKeys(s.args));
  return 0;
}

int RunSet(Session& s) {
  std::vector<std::pair<const WiFiEntry*, std::string>> pairs;
  for (std::size_t i = 1; i < s.args.size(); ++i) {
    if (s.args[i] == "--show-keys") continue;
    const bool fromFile = s.args[i] == "--key-file";
    if (fromFile && i + 1 >= s.args.size()) return s.Fail(2, "wifi set: --key-file needs KEY=FILE");
    const std::string& arg = fromFile ? s.args[++i] : s.args[i];
    const std::size_t eq = arg.find('=');
    const WiFiEntry* e = eq == std::string::npos ? nullptr : FindWiFiEntry(arg.substr(0, eq));
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
    if (const std::string why = WiFiValueProblem(*e, *value); !why.empty())
      return s.Fail(2, "wifi set: " + std::string(e->key) + ": " + why);
    pairs.emplace_back(e, *value);
  }
  if (pairs.empty()) return s.Fail(2, "wifi set needs KEY=VALUE");
  WiFiAdapter a;
  if (!ReadRecord(s, a)) return 1;
  // The boxes first: "DHCP Enable" decides whether the static station fields take input.
  for (const bool boxes : {true, false})
    for (const auto& [e, value] : pairs)
      if ((e->kind == WiFiKind::Check) == boxes)
        if (const std::string why = Apply(a, *e, value); !why.empty()) return s.Fail(2, "wifi set: " + why);
  if (!SaveChanged(s, a, ShowKeys(s.args))) return 1;
  ShowRecord(s, a, ShowKeys(s.args));
  return 0;
}

void ShowAccessPoints(Session& s, const WiFiView& view) {
  Json list = Json::array();
  for (const WiFiView::Point& p : view.Points()) {
    const AccessPointRow& r = p.row;
    if (s.json)
      list.push_back({{"ssid", r.ssid},
                      {"rssi", r.rssi},
                      {"channel", r.channel},
                      {"security", r.security},
                      {"mac", r.mac},
                      {"joined", p.joined}});
    else
      *s.out << Shown(r.ssid) << "\t" << Shown(r.rssi) << "\t" << Shown(r.channel) << "\t" << Shown(r.security) << "\t"
             << Shown(r.mac) << (p.joined ? "\tJoined" : "") << "\n";
  }
  if (s.json) s.json->doc["accessPoints"] = list;
}

// Read (which offers "Scan APs"), then the scan page's scan.
bool Scan(Session& s, WiFiAdapter& a) {
  if (!ReadRecord(s, a)) return false;
  if (!a.view.ScanOffered()) {
    s.Fail(1, "the WiFi page offers no scan");
    return false;
  }
  a.view.Scanning();
  return a.Run(s, "WS");
}

int RunScan(Session& s) {
  if (s.args.size() != 1) return s.Fail(2, "wifi scan takes no arguments");
  WiFiAdapter a;
  if (!Scan(s, a)) return 1;
  ShowAccessPoints(s, a.view);
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
  WiFiAdapter a;
  if (!Scan(s, a)) return 1;
  const WiFiView::Point* point = nullptr;
  for (const WiFiView::Point& p : a.view.Points())
    if (p.row.ssid == ssid) point = &p;
  if (!point) {
    ShowAccessPoints(s, a.view);
    return s.Fail(1, "the scan found no access point " + ssid);
  }
  // Select takes the network into the station's fields and empties the key, which would
  // not fit it; the network the station is set to join already is not offered by Select.
  const WiFiEntry& station = *FindWiFiEntry("STAP");
  const WiFiEntry& stationKey = *FindWiFiEntry("STPW");
  const auto type = [&a](const WiFiEntry& e, const std::string& value) {
    if (a.view.Record().Value(e) == value) return;
    a.changed.insert(&e);
    a.view.Set(e, value);
  };
  if (!point->joined) {
    type(station, ssid);
    type(stationKey, "");
  }
  if (key) type(stationKey, *key);
  if (!SaveChanged(s, a, ShowKeys(s.args))) return 1;
  ShowRecord(s, a, ShowKeys(s.args));
  return 0;
}

// Update and Factory Reset: the System page's button, the adapter's answer as its log
// shows it.
int RunChipset(Session& s, bool factoryReset) {
  if (s.args.size() != 1) return s.Fail(2, "wifi " + s.args[0] + " takes no arguments");
  if (!s.ChoosePort()) return 1;
  WiFiAdapter a;
  a.device = ChosenDevice(s, &a);
  if (!Search(s, *a.device)) return 1;
  a.view.Searched(a.device->ReplyLines());
  if (!a.view.Offered()) return s.Fail(1, "this adapter offers no WiFi chipset maintenance");
  if (factoryReset) {
    const std::string serial = a.device->Session().Identity().serial;
    const int answer = s.AppMessageBox("WiFi Chipset...",
                                       "This command will reset the WiFi chipset" +
                                           (serial.empty() ? std::string() : " of the adapter " + serial) +
                                           " to factory settings: its WiFi settings are lost. Are you sure?",
                                       mb::YesNo | mb::IconQuestion | mb::DefaultNo);
    if (answer != mb::IdYes) return s.Fail(1, "not reset (answer with --yes)");
  }
  a.echoed.clear();
  if (!a.Run(s, factoryReset ? "WE" : "WU")) return 1;
  if (s.json)
    s.json->doc["log"] = LinesJson(a.echoed);
  else
    for (const auto& line : a.echoed) *s.out << ShownLine(line) << "\n";
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
