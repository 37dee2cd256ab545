#include "wifi/WiFiPage.h"

#include <optional>
#include <utility>

#include "core/Bytes.h"
#include "exchange/Exchange.h"
#include "exchange/Identity.h"
#include "form/PageControls.h"
#include "form/WindowServices.h"
#include "wifi/UrlQuery.h"
#include "wifi/WiFiChipset.h"
#include "wifi/WiFiCommand.h"
#include "wifi/WiFiRecord.h"
#include "wifi/WiFiScan.h"

namespace bx {

WiFiPage::WiFiPage(WiFiControls& controls, WiFiScanControls& scanPage, SystemControls& system, ui::TPageControl& pages,
                   WindowServices& window, Exchange& exchange)
    : c_(controls), scanPage_(scanPage), system_(system), window_(window), ex_(exchange) {
  for (const std::string& s : WiFiChoices(WiFiKind::Security)) c_.cbWiFi_AP_Security.AddItem(s);
  for (const std::string& ch : WiFiChoices(WiFiKind::Channel)) c_.cbWiFi_AP_Channel.AddItem(ch);
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
  SetUnsaved(false);
  c_.btWiFi_Scan.SetEnabled(false);

  // The controls of the record's entries, in the record's order.
  const std::pair<const char*, ui::TControl*> shownBy[] = {
      {"ALIAS", &c_.edWiFi_Alias},           {"WSBP", &c_.edWiFi_Bridge_Port},
      {"WSBWP", &c_.edWiFi_Webserver_Port},  {"HIDE", &c_.cbWiFi_AP_Hidden},
      {"APCH", &c_.cbWiFi_AP_Channel},       {"APAUT", &c_.cbWiFi_AP_Security},
      {"APPW", &c_.edWiFi_AP_Password},      {"APIP", &c_.edWiFi_AP_IP},
      {"APNM", &c_.edWiFi_AP_Mask},          {"APGW", &c_.edWiFi_AP_Gateway},
      {"STEN", &c_.cbWiFi_Station_Enabled},  {"STAP", &c_.edWiFi_Station_SSID},
      {"STPW", &c_.edWiFi_Station_Password}, {"SDHCP", &c_.cbWiFi_Station_DHCP},
      {"STIP", &c_.edWiFi_Station_IP},       {"STNM", &c_.edWiFi_Station_Mask},
      {"STGW", &c_.edWiFi_Station_Gateway},  {"SDNS0", &c_.edWiFi_Station_DNS0},
      {"SDNS1", &c_.edWiFi_Station_DNS1},    {"WSBID", &c_.edWiFi_ID},
      {"WSBFW", &c_.edWiFi_Firmware},        {"APMAC", &c_.edWiFi_AP_MAC},
      {"APSID", &c_.edWiFi_AP_SSID},         {"STMAC", &c_.edWiFi_Station_MAC},
  };
  for (const auto& [key, control] : shownBy) {
    const WiFiEntry* field = FindWiFiEntry(key);
    if (!field) continue;
    entries_.push_back({field, control});
    if (field->kind == WiFiKind::Text && field->maxLength > 0)
      static_cast<ui::TEdit*>(control)->MaxLength = field->maxLength;
  }
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
  SetUnsaved(true);
  // A refused value changed: the mark goes until the next Save looks again.
  for (const Entry& e : entries_)
    if (e.control == &sender && e.field->kind == WiFiKind::Text) {
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
  SetUnsaved(false);
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
  if (!unsaved_) return 0;
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
  if (!unsaved_) return SaveResult::NothingToSend;
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
  SetUnsaved(false);
  // An empty choice has no value to send: a mark left on it would send "KEY=".
  for (ui::TComboBox* c : {&c_.cbWiFi_AP_Security, &c_.cbWiFi_AP_Channel})
    if (c->ItemIndex() < 0) c->Tag = 0;
  // The entries the user changed, with the values their controls hold.
  const auto changed = [this](const WiFiEntry& field) -> std::optional<std::string> {
    const Entry* e = Find(field.key);
    if (!e || e->control->Tag != 1) return std::nullopt;
    return ControlValue(*e);
  };
  std::vector<const WiFiEntry*> fields;
  const std::string command = WiFiSaveCommand(changed, dhcp, &fields);
  std::vector<ui::TControl*> sent;
  for (const WiFiEntry* field : fields) {
    Find(field->key)->control->Tag = 0;
    sent.push_back(Find(field->key)->control);
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
    if (e.field->kind != WiFiKind::Text || !e.field->saved) continue;
    auto* field = static_cast<ui::TEdit*>(e.control);
    const bool sent = e.control->Tag == 1 && !(dhcp && e.field->staticAddress);
    const std::string why = sent ? WiFiValueProblem(*e.field, field->Text()) : std::string();
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
  SetUnsaved(true);
}

const WiFiPage::Entry* WiFiPage::Find(const std::string& key) const {
  for (const Entry& e : entries_)
    if (key == e.field->key) return &e;
  return nullptr;
}

std::string WiFiPage::ControlValue(const Entry& e) {
  switch (e.field->kind) {
    case WiFiKind::Text:
      return static_cast<ui::TEdit*>(e.control)->Text();
    case WiFiKind::Check:
      return static_cast<ui::TCheckBox*>(e.control)->Checked() ? "1" : "0";
    case WiFiKind::Channel:
      return static_cast<ui::TComboBox*>(e.control)->Text();
    case WiFiKind::Security:
      return SecurityCode(static_cast<ui::TComboBox*>(e.control)->ItemIndex());
  }
  return {};
}

void WiFiPage::ApplyPair(const std::string& rawKey, const std::string& rawValue) {
  const std::optional<WiFiPair> pair = ReadWiFiPair(rawKey, rawValue);
  if (!pair) return;
  const Entry* e = Find(pair->entry->key);
  if (!e) return;
  switch (e->field->kind) {
    case WiFiKind::Text:
      static_cast<ui::TEdit*>(e->control)->SetText(pair->value);
      break;
    case WiFiKind::Check:
      static_cast<ui::TCheckBox*>(e->control)->SetChecked(pair->value == "1");
      break;
    case WiFiKind::Security:
      c_.cbWiFi_AP_Security.SetItemIndex(SecurityChoice(pair->value));
      break;
    case WiFiKind::Channel: {
      const auto& items = c_.cbWiFi_AP_Channel.Items();
      for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i] == pair->value) c_.cbWiFi_AP_Channel.SetItemIndex(static_cast<int>(i));
      break;
    }
  }
}

void WiFiPage::WiFiSettings(const std::string& payload) {
  ++settingsLines_;
  filling = true;
  for (const auto& [key, value] : ScanQueryPairs(payload)) ApplyPair(key, value);
  SetUnsaved(false);
  c_.btWiFi_Scan.SetEnabled(true);
  filling = false;
}

void WiFiPage::SetUnsaved(bool unsaved) {
  unsaved_ = unsaved;
  c_.btWiFi_Save.SetEnabled(unsaved);
}

}  // namespace bx
