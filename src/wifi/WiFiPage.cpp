#include "wifi/WiFiPage.h"

#include "app/Unitmain.h"

namespace bx {

WiFiPage::WiFiPage(TfrmMain& form) : f_(form) {
  static const char* kSecurity[] = {"Open", "WPA-PSK", "WPA2-PSK", "WPA-WPA2-PSK"};
  for (const char* s : kSecurity) f_.cbWiFi_AP_Security.AddItem(s);
  for (int ch = 1; ch <= 13; ++ch) f_.cbWiFi_AP_Channel.AddItem(std::to_string(ch));
  f_.cbWiFi_AP_Channel.Hint = "SoftAP Channel";
  f_.cbWiFi_AP_Security.Hint = "SoftAP Authentication";
  // The access point is always on: shown checked, never read or saved.
  f_.cbWiFi_AP_Enabled.SetChecked(true);
  f_.cbWiFi_AP_Enabled.SetEnabled(false);
  for (ui::TEdit* e : {&f_.edWiFi_ID, &f_.edWiFi_Firmware, &f_.edWiFi_AP_MAC, &f_.edWiFi_AP_SSID,
                       &f_.edWiFi_Station_MAC}) {
    e->ReadOnly = true;
    e->SetColor(ui::clr::BtnFace);
  }
  f_.edWiFi_Alias.MaxLength = 16;
  for (ui::TEdit* e : {&f_.edWiFi_Bridge_Port, &f_.edWiFi_Webserver_Port, &f_.edWiFi_AP_IP, &f_.edWiFi_AP_Mask,
                       &f_.edWiFi_AP_Gateway, &f_.edWiFi_Station_IP, &f_.edWiFi_Station_Mask,
                       &f_.edWiFi_Station_Gateway, &f_.edWiFi_Station_DNS0, &f_.edWiFi_Station_DNS1})
    e->MaxLength = 16;
  for (ui::TEdit* e : {&f_.edWiFi_AP_Password, &f_.edWiFi_Station_SSID, &f_.edWiFi_Station_Password})
    e->MaxLength = 32;
  f_.btWiFi_Save.SetEnabled(false);
  f_.btWiFi_Scan.SetEnabled(false);
}

void WiFiPage::Reset(bool visible) {
  filling = true;
  for (ui::TEdit* e :
       {&f_.edWiFi_Alias, &f_.edWiFi_ID, &f_.edWiFi_Firmware, &f_.edWiFi_Bridge_Port, &f_.edWiFi_Webserver_Port,
        &f_.edWiFi_AP_MAC, &f_.edWiFi_AP_SSID, &f_.edWiFi_AP_Password, &f_.edWiFi_AP_IP, &f_.edWiFi_AP_Mask,
        &f_.edWiFi_AP_Gateway, &f_.edWiFi_Station_MAC, &f_.edWiFi_Station_SSID, &f_.edWiFi_Station_Password,
        &f_.edWiFi_Station_IP, &f_.edWiFi_Station_Mask, &f_.edWiFi_Station_Gateway, &f_.edWiFi_Station_DNS0,
        &f_.edWiFi_Station_DNS1})
    e->SetText("");
  f_.cbWiFi_AP_Security.SetItemIndex(-1);
  f_.cbWiFi_AP_Channel.SetItemIndex(-1);
  f_.cbWiFi_Station_Enabled.SetChecked(false);
  f_.cbWiFi_Station_DHCP.SetChecked(false);
  f_.edWiFi_AP_Password.SetPasswordChar('*');
  f_.edWiFi_Station_Password.SetPasswordChar('*');
  f_.cbWiFi_AP_Password.SetChecked(false);
  f_.cbWiFi_Station_Password.SetChecked(false);
  f_.btWiFi_Save.SetEnabled(false);
  f_.btWiFi_Scan.SetEnabled(false);
  filling = false;
  f_.tsWiFi.SetTabVisible(visible);
  f_.btWiFi_Factory_Reset.SetVisible(visible);
  f_.btWiFi_Update.SetVisible(visible);
  f_.tsWiFi_Scan.SetTabVisible(false);
}

void WiFiPage::Show() {
  f_.tsWiFi.SetTabVisible(true);
  f_.btWiFi_Factory_Reset.SetVisible(true);
  f_.btWiFi_Update.SetVisible(true);
}

int WiFiPage::PendingChangesPrompt() {
  if (!f_.btWiFi_Save.Enabled()) return 0;
  const int answer = f_.AppMessageBox("WiFi Config...", "Save changes?", mb::YesNoCancel | mb::IconQuestion);
  if (answer == mb::IdYes) {
    Save();
    return 1;
  }
  return answer == mb::IdNo ? 0 : -1;
}

void WiFiPage::Save() {
  // Hook: the WiFi settings record and its save command come with the WiFi issue.
  if (!f_.btWiFi_Save.Enabled()) return;
  f_.btWiFi_Save.SetEnabled(false);
}

}  // namespace bx
