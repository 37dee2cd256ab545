#include "system/SystemPage.h"

#include "app/Unitmain.h"

namespace bx {

SystemPage::SystemPage(TfrmMain& form) : f_(form) {
  f_.btSYS_Save.SetEnabled(false);
  f_.edSYS_Serial.font.name = "Courier New";
  for (ui::TEdit* e : {&f_.edSYS_BW, &f_.edSYS_FW, &f_.edSYS_Hardware, &f_.edSignature, &f_.edCopyRight,
                       &f_.edSYS_Serial, &f_.edSYS_WiFi}) {
    e->ReadOnly = true;
    e->SetColor(ui::clr::BtnFace);
  }
}

void SystemPage::Reset() {
  f_.tsSystem.SetTabVisible(false);
  f_.rgSYS_Wireless.SetItemIndex(0);
  f_.rgSYS_Bluetooth.SetItemIndex(0);
  f_.rgSYS_WiFi.SetItemIndex(0);
  f_.cbSYS_MSD.SetChecked(false);
}

}  // namespace bx
