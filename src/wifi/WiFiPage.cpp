#include "wifi/WiFiPage.h"

#include "core/Bytes.h"
#include "core/FieldChecks.h"
#include "exchange/Exchange.h"
#include "exchange/Identity.h"
#include "form/PageControls.h"
#include "form/WindowServices.h"
#include "wifi/UrlQuery.h"
#include "wifi/WiFiChipset.h"
#include "wifi/WiFiCommand.h"
#include "wifi/WiFiScan.h"

namespace bx {

namespace {
constexpr std::size_t kKeyLength = 5;
constexpr std::size_t kValueLength = 32;

// The entries whose values are checked before they are sent, and their names in a reason.
struct CheckedKey {
  const char* key;
  FieldKind kind;
  const char* label;
};
constexpr CheckedKey kChecked[] = {
    {"WSBP", FieldKind::Port, "TCP Port"},
    {"WSBWP", FieldKind::Port, "Webserver Port"},
    {"APIP", FieldKind::IPv4, "SoftAP IP"},
    {"APNM", FieldKind::Mask, "SoftAP Mask"},
    {"APGW", FieldKind::OptionalIPv4, "SoftAP Gateway"},
    {"STIP", FieldKind::IPv4, "Station IP"},
    {"STNM", FieldKind::Mask, "Station Mask"},
    {"STGW", FieldKind::OptionalIPv4, "Station Gateway"},
    {"SDNS0", FieldKind::OptionalIPv4, "DNS1"},
    {"SDNS1", FieldKind::OptionalIPv4, "DNS2"},
};

// A value as a reason quotes it: cut short.
std::string QuotedValue(const std::string& v) {
  constexpr std::size_t kShown = 40;
  return "\"" + v.substr(0, kShown) + (v.size() > kShown ? "...\"" : "\"");
}
}  // namespace

std::string WiFiPage::ValueProblem(const Entry& entry, const std::string& value) {
  for (const CheckedKey& c : kChecked) {
    if (std::string_view(c.key) != entry.key) continue;
    const std::string why = FieldProblem(c.kind, value);
    return why.empty() ? why : std::string("the ") + c.label + " " + QuotedValue(value) + " " + why;
  }
  return {};
}

WiFiPage::WiFiPage(WiFiControls& controls, WiFiScanControls& scanPage, SystemControls& system, ui::TPageControl& pages,
                   WindowServices& window, Exchange& exchange)
    : c_(controls), scanPage_(scanPage), system_(system), window_(window), ex_(exchange) {
  static const char* kSecurity[] = {"Open", "WPA-PSK", "WPA2-PSK", "WPA-WPA2-PSK"};
  for (const char* s : kSecurity) c_.cbWiFi_AP_Security.AddItem(s);
  for (int ch = 1; ch <= 13; ++ch) c_.cbWiFi_AP_Channel.AddItem(std::to_string(ch));
  c_.cbWiFi_AP_Channel.Hint = "SoftAP Channel";
  c_.cbWiFi_AP_Security.Hint = "SoftAP Authentication";
  // The access point is always on: shown checked, never read or saved.
  c_.cbWiFi_AP_Enabled.SetChecked(true);
  c_.cbWiFi_AP_Enabled.SetEnabled(false);
  for (ui::TEdit* e :
       {&c_.edWiFi_ID, &c_.edWiFi_Firmware, &c_.edWiFi_AP_MAC, &c_.edWiFi_AP_SSID, &c_.edWiFi_Station_MAC}) {
    e->ReadOnly = true;
    e->SetColor(ui::clr::BtnFace);
  }
  c_.edWiFi_Alias.MaxLength = 16;
  for (ui::TEdit* e : {&c_.edWiFi_Bridge_Port, &c_.edWiFi_Webserver_Port, &c_.edWiFi_AP_IP, &c_.edWiFi_AP_Mask,
                       &c_.edWiFi_AP_Gateway, &c_.edWiFi_Station_IP, &c_.edWiFi_Station_Mask,
                       &c_.edWiFi_Station_Gateway, &c_.edWiFi_Station_DNS0, &c_.edWiFi_Station_DNS1})
    e->MaxLength = 16;
  for (ui::TEdit* e : {&c_.edWiFi_AP_Password, &c_.edWiFi_Station_SSID, &c_.edWiFi_Station_Password}) e->MaxLength = 32;
  c_.btWiFi_Save.SetEnabled(false);
  c_.btWiFi_Scan.SetEnabled(false);

  entries_ = {
      {"ALIAS", Kind::Text, &c_.edWiFi_Alias, true},
      {"WSBP", Kind::Text, &c_.edWiFi_Bridge_Port, true},
      {"WSBWP", Kind::Text, &c_.edWiFi_Webserver_Port, true},
      {"HIDE", Kind::Check, &c_.cbWiFi_AP_Hidden, true},
      {"APCH", Kind::Channel, &c_.cbWiFi_AP_Channel, true},
      {"APAUT", Kind::Security, &c_.cbWiFi_AP_Security, true},
      {"APPW", Kind::Text, &c_.edWiFi_AP_Password, true},
      {"APIP", Kind::Text, &c_.edWiFi_AP_IP, true},
      {"APNM", Kind::Text, &c_.edWiFi_AP_Mask, true},
      {"APGW", Kind::Text, &c_.edWiFi_AP_Gateway, true},
      {"STEN", Kind::Check, &c_.cbWiFi_Station_Enabled, true},
      {"STAP", Kind::Text, &c_.edWiFi_Station_SSID, true},
      {"STPW", Kind::Text, &c_.edWiFi_Station_Password, true},
      {"SDHCP", Kind::Check, &c_.cbWiFi_Station_DHCP, true},
      {"STIP", Kind::Text, &c_.edWiFi_Station_IP, true, true},
      {"STNM", Kind::Text, &c_.edWiFi_Station_Mask, true, true},
      {"STGW", Kind::Text, &c_.edWiFi_Station_Gateway, true, true},
      {"SDNS0", Kind::Text, &c_.edWiFi_Station_DNS0, true, true},
      {"SDNS1", Kind::Text, &c_.edWiFi_Station_DNS1, true, true},
      {"WSBID", Kind::Text, &c_.edWiFi_ID, false},
      {"WSBFW", Kind::Text, &c_.edWiFi_Firmware, false},
      {"APMAC", Kind::Text, &c_.edWiFi_AP_MAC, false},
      {"APSID", Kind::Text, &c_.edWiFi_AP_SSID, false},
      {"STMAC", Kind::Text, &c_.edWiFi_Station_MAC, false},
  };
  scan_ = std::make_unique<WiFiScan>(scanPage, controls, pages, exchange);
  chipset_ = std::make_unique<WiFiChipset>(system, window, exchange);
  WireEvents();
  ApplyDhcpFields();
}

WiFiPage::~WiFiPage() = default;

void WiFiPage::WireEvents() {
  for (ui::TEdit* e :
       {&c_.edWiFi_Alias, &c_.edWiFi_Bridge_Port, &c_.edWiFi_Webserver_Port, &c_.edWiFi_AP_IP, &c_.edWiFi_AP_Mask,
        &c_.edWiFi_AP_Gateway, &c_.edWiFi_Station_SSID, &c_.edWiFi_Station_IP, &c_.edWiFi_Station_Mask,
        &c_.edWiFi_Station_Gateway, &c_.edWiFi_Station_DNS0, &c_.edWiFi_Station_DNS1})
    e->OnChange = [this, e] { ConfigChange(*e); };
  for (ui::TComboBox* c : {&c_.cbWiFi_AP_Security, &c_.cbWiFi_AP_Channel})
    c->OnChange = [this, c] { ConfigChange(*c); };
  for (ui::TCheckBox* c : {&c_.cbWiFi_AP_Hidden, &c_.cbWiFi_Station_Enabled})
    c->OnClick = [this, c] { ConfigChange(*c); };
  c_.edWiFi_AP_Password.OnChange = [this] { KeyChanged(c_.edWiFi_AP_Password, lastApKey_); };
  c_.edWiFi_Station_Password.OnChange = [this] { KeyChanged(c_.edWiFi_Station_Password, lastStationKey_); };
  for (auto [show, field] : {std::pair{&c_.cbWiFi_AP_Password, &c_.edWiFi_AP_Password},
                             std::pair{&c_.cbWiFi_Station_Password, &c_.edWiFi_Station_Password}})
    show->OnClick = [show = show, field = field] { field->SetPasswordChar(show->Checked() ? 0 : '*'); };
  c_.cbWiFi_Station_DHCP.OnClick = [this] { DhcpChanged(); };
  c_.btWiFi_Read.OnClick = [this] { Read(); };
  c_.btWiFi_Save.OnClick = [this] { Save(); };
}

void WiFiPage::ConfigChange(ui::TControl& sender) {
  if (filling) {
    sender.Tag = 0;
    return;
  }
  sender.Tag = 1;
  c_.btWiFi_Save.SetEnabled(true);
  // A refused value changed: the mark goes until the next Save looks again.
  for (const Entry& e : entries_)
    if (e.control == &sender && e.kind == Kind::Text) {
      auto* field = static_cast<ui::TEdit*>(e.control);
      if (field->Color() == ui::clr::Refused) field->SetColor(ui::clr::Window);
    }
}

// Redisplaying the same key (as switching the mask does) is no change.
void WiFiPage::KeyChanged(ui::TEdit& field, std::string& lastText) {
  if (field.Text() == lastText) return;
  lastText = field.Text();
  ConfigChange(field);
}

void WiFiPage::DhcpChanged() {
  ApplyDhcpFields();
  ConfigChange(c_.cbWiFi_Station_DHCP);
}

void WiFiPage::ApplyDhcpFields() {
  const bool manual = !c_.cbWiFi_Station_DHCP.Checked();
  for (ui::TEdit* e : {&c_.edWiFi_Station_IP, &c_.edWiFi_Station_Mask, &c_.edWiFi_Station_Gateway,
                       &c_.edWiFi_Station_DNS0, &c_.edWiFi_Station_DNS1}) {
    e->SetEnabled(manual);
    e->SetColor(manual ? ui::clr::Window : ui::clr::BtnFace);
  }
}

void WiFiPage::Reset(bool visible) {
  filling = true;
  for (ui::TEdit* e :
       {&c_.edWiFi_Alias, &c_.edWiFi_ID, &c_.edWiFi_Firmware, &c_.edWiFi_Bridge_Port, &c_.edWiFi_Webserver_Port,
        &c_.edWiFi_AP_MAC, &c_.edWiFi_AP_SSID, &c_.edWiFi_AP_Password, &c_.edWiFi_AP_IP, &c_.edWiFi_AP_Mask,
        &c_.edWiFi_AP_Gateway, &c_.edWiFi_Station_MAC, &c_.edWiFi_Station_SSID, &c_.edWiFi_Station_Password,
        &c_.edWiFi_Station_IP, &c_.edWiFi_Station_Mask, &c_.edWiFi_Station_Gateway, &c_.edWiFi_Station_DNS0,
        &c_.edWiFi_Station_DNS1})
    e->SetText("");
  c_.cbWiFi_AP_Security.SetItemIndex(-1);
  c_.cbWiFi_AP_Channel.SetItemIndex(-1);
  c_.cbWiFi_Station_Enabled.SetChecked(false);
  c_.cbWiFi_Station_DHCP.SetChecked(false);
  c_.edWiFi_AP_Password.SetPasswordChar('*');
  c_.edWiFi_Station_Password.SetPasswordChar('*');
  c_.cbWiFi_AP_Password.SetChecked(false);
  c_.cbWiFi_Station_Password.SetChecked(false);
  c_.btWiFi_Save.SetEnabled(false);
  c_.btWiFi_Scan.SetEnabled(false);
  c_.lbWiFi_Status.SetCaption("");
  filling = false;
  c_.tsWiFi.SetTabVisible(visible);
  system_.btWiFi_Factory_Reset.SetVisible(visible);
  system_.btWiFi_Update.SetVisible(visible);
  scanPage_.tsWiFi_Scan.SetTabVisible(false);
}

void WiFiPage::Show() {
  c_.tsWiFi.SetTabVisible(true);
  system_.btWiFi_Factory_Reset.SetVisible(true);
  system_.btWiFi_Update.SetVisible(true);
}

int WiFiPage::PendingChangesPrompt() {
  if (!c_.btWiFi_Save.Enabled()) return 0;
  const int answer = window_.AppMessageBox("WiFi Config...", "Save the changes on the WiFi page?",
                                           mb::YesNoCancel | mb::IconQuestion);
  if (answer == mb::IdYes) {
    switch (Save()) {
      case SaveResult::Sent:
        return 1;
      case SaveResult::NothingToSend:
        return 0;
      case SaveResult::Refused:
        return -1;
    }
  }
  return answer == mb::IdNo ? 0 : -1;
}

// The page's log stands on the scan page, hidden while this page is shown: a refusal is
// told in a message box.
void WiFiPage::Read() {
  if (ex_.Running()) {
    window_.AppMessageBox("WiFi Config...", BusyRefusal("Read"), mb::IconError);
    return;
  }
  if (PendingChangesPrompt() != 0) return;
  Reset(true);
  scanPage_.memLogWiFi.Clear();
  SendSettingsCommand("WC", false);
}

// The reply is echoed into the scan page's log, which is out of sight here: the page's
// own status line says what came of it.
bool WiFiPage::SendSettingsCommand(const std::string& command, bool save, std::function<void(bool answered)> then) {
  ui::TLabel& status = c_.lbWiFi_Status;
  status.SetCaption("");
  auto finished = [this, save, before = settingsLines_, then = std::move(then)](bool answered) {
    if (!answered)
      c_.lbWiFi_Status.SetCaption("No reply from the adapter.");
    else if (settingsLines_ == before)
      c_.lbWiFi_Status.SetCaption("No WiFi settings in the reply.");
    else
      c_.lbWiFi_Status.SetCaption(save ? "Settings saved." : "Settings read.");
    if (then) then(answered);
  };
  if (SendEchoedCommand(ex_, command, scanPage_.memLogWiFi, std::move(finished))) return true;
  status.SetCaption("Not sent: the adapter is busy.");
  return false;
}

WiFiPage::SaveResult WiFiPage::Save() {
  if (!c_.btWiFi_Save.Enabled()) return SaveResult::NothingToSend;
  // Only one exchange runs at a time: clearing the marks now would lose the changes.
  if (ex_.Running()) {
    c_.lbWiFi_Status.SetCaption("Not saved: the adapter is busy.");
    window_.AppMessageBox("WiFi Config...", BusyRefusal("Save"), mb::IconError);
    return SaveResult::Refused;
  }
  const bool dhcp = c_.cbWiFi_Station_DHCP.Checked();
  // A value the adapter would take and then fail on (an address 999.1.1, a port 99999)
  // is not sent, nor anything with it: the fields are marked and the reasons shown.
  if (const std::string refused = RefusedValues(dhcp); !refused.empty()) {
    c_.lbWiFi_Status.SetCaption("Not saved: a value is refused.");
    window_.AppMessageBox("WiFi Config...", "Not saved:\n" + refused, mb::IconError);
    return SaveResult::Refused;
  }
  c_.btWiFi_Save.SetEnabled(false);
  // An empty choice has no value to send: a mark left on it would send "KEY=".
  for (ui::TComboBox* c : {&c_.cbWiFi_AP_Security, &c_.cbWiFi_AP_Channel})
    if (c->ItemIndex() < 0) c->Tag = 0;
  std::string command = "WC";
  char separator = '?';
  std::vector<ui::TControl*> sent;
  for (const Entry& e : entries_) {
    if (!e.saved) continue;
    if (e.control->Tag != 1) continue;
    if (dhcp && e.staticAddress) continue;  // stays marked for a save made with DHCP off
    std::string value;
    switch (e.kind) {
      case Kind::Text:
        value = static_cast<ui::TEdit*>(e.control)->Text();
        break;
      case Kind::Check:
        value = static_cast<ui::TCheckBox*>(e.control)->Checked() ? "1" : "0";
        break;
      case Kind::Channel:
        value = static_cast<ui::TComboBox*>(e.control)->Text();
        break;
      case Kind::Security: {
        const int i = static_cast<ui::TComboBox*>(e.control)->ItemIndex();
        value = std::to_string(i == 0 ? 0 : i + 1);
        break;
      }
    }
    command += separator;
    command += QueryEncode(e.key) + "=" + QueryEncode(value);
    separator = '&';
    e.control->Tag = 0;
    sent.push_back(e.control);
  }
  if (sent.empty()) {
    c_.lbWiFi_Status.SetCaption("No changed setting to send.");
    return SaveResult::NothingToSend;
  }
  saving_ = true;
  saveFailed_ = false;
  SendSettingsCommand(command, true, [this, sent](bool answered) { SaveEnded(sent, answered); });
  return SaveResult::Sent;
}

std::string WiFiPage::RefusedValues(bool dhcp) {
  std::string refused;
  for (const Entry& e : entries_) {
    if (e.kind != Kind::Text || !e.saved) continue;
    auto* field = static_cast<ui::TEdit*>(e.control);
    const bool sent = e.control->Tag == 1 && !(dhcp && e.staticAddress);
    const std::string why = sent ? ValueProblem(e, field->Text()) : std::string();
    if (why.empty()) {
      if (field->Color() == ui::clr::Refused) field->SetColor(field->Enabled() ? ui::clr::Window : ui::clr::BtnFace);
      continue;
    }
    field->SetColor(ui::clr::Refused);
    refused += (refused.empty() ? "" : "\n") + why + ".";
  }
  return refused;
}

// A save the adapter did not answer may not have reached it: its entries are unsaved
// changes again, so that a close still asks and a second Save sends them.
void WiFiPage::SaveEnded(const std::vector<ui::TControl*>& sent, bool answered) {
  saving_ = false;
  saveFailed_ = !answered;
  if (answered) return;
  for (ui::TControl* c : sent) c->Tag = 1;
  c_.btWiFi_Save.SetEnabled(true);
}

const WiFiPage::Entry* WiFiPage::Find(const std::string& key) const {
  for (const Entry& e : entries_)
    if (key == e.key) return &e;
  return nullptr;
}

void WiFiPage::ApplyPair(const std::string& rawKey, const std::string& rawValue) {
  std::string key = QueryDecode(rawKey);
  std::string value = QueryDecode(rawValue);
  if (key.size() > kKeyLength) key.resize(kKeyLength);
  if (value.size() > kValueLength) value.resize(kValueLength);
  const Entry* e = Find(key);
  if (!e) return;
  switch (e->kind) {
    case Kind::Text:
      static_cast<ui::TEdit*>(e->control)->SetText(value);
      break;
    case Kind::Check:
      static_cast<ui::TCheckBox*>(e->control)->SetChecked(value != "0");
      break;
    case Kind::Security: {
      // A value that is no number leaves the choice as it is, like code 1 (not offered).
      long long a = 0;
      if (!ParseInt(value, a) || a == 1) return;
      const long long index = a > 0 ? a - 1 : a;
      if (index < static_cast<long long>(c_.cbWiFi_AP_Security.Items().size()))
        c_.cbWiFi_AP_Security.SetItemIndex(index < 0 ? -1 : int(index));
      break;
    }
    case Kind::Channel: {
      long long c = 0;
      if (!ParseInt(value, c)) return;
      if (c > 0 && c - 1 < static_cast<long long>(c_.cbWiFi_AP_Channel.Items().size()))
        c_.cbWiFi_AP_Channel.SetItemIndex(int(c - 1));
      break;
    }
  }
}

void WiFiPage::WiFiSettings(const std::string& payload) {
  ++settingsLines_;
  filling = true;
  for (const auto& [key, value] : ScanQueryPairs(payload)) ApplyPair(key, value);
  c_.btWiFi_Save.SetEnabled(false);
  c_.btWiFi_Scan.SetEnabled(true);
  filling = false;
}

}  // namespace bx
