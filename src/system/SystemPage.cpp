#include "system/SystemPage.h"

#include "core/Bytes.h"
#include "exchange/Exchange.h"
#include "form/PageControls.h"
#include "form/WindowServices.h"
#include "wifi/WiFiPage.h"

namespace bx {

SystemPage::SystemPage(SystemControls& controls, StatusControls& status, Exchange& exchange, WiFiPage& wifi,
                       WindowServices& window)
    : c_(controls), status_(status), ex_(exchange), wifi_(wifi), window_(window) {
  SetUnsaved(false);
  c_.edSYS_Serial.font.name = "Courier New";
  for (ui::TEdit* e : {&c_.edSYS_BW, &c_.edSYS_FW, &c_.edSYS_Hardware, &c_.edSignature, &c_.edCopyRight,
                       &c_.edSYS_Serial, &c_.edSYS_WiFi}) {
    e->ReadOnly = true;
    e->SetColor(ui::clr::BtnFace);
  }
  // Any change of an option, by the user or by code, enables Save; the reader and the
  // reset disable it again when they are done.
  auto changed = [this] { SetUnsaved(true); };
  c_.rgSYS_Bluetooth.OnClick = changed;
  c_.rgSYS_Wireless.OnClick = changed;
  c_.rgSYS_WiFi.OnClick = changed;
  c_.cbSYS_MSD.OnClick = changed;
  c_.btSYS_Read.OnClick = [this] { Read(); };
  status_.btPower.OnClick = [this] { Read(); };
  c_.btSYS_Save.OnClick = [this] { Save(); };
}

void SystemPage::Reset() {
  offered_ = false;
  c_.tsSystem.SetTabVisible(false);
  c_.rgSYS_Wireless.SetItemIndex(0);
  c_.rgSYS_Bluetooth.SetItemIndex(0);
  c_.rgSYS_WiFi.SetItemIndex(0);
  c_.cbSYS_MSD.SetChecked(false);
  SetUnsaved(false);
}

void SystemPage::SystemInfo(const std::string& payload) {
  offered_ = true;
  ++infoLines_;
  // Options the line does not give keep what the page shows.
  const SystemOptions o = ReadSystemOptions(payload, Shown());
  c_.rgSYS_Bluetooth.SetItemIndex(o.bluetooth);
  c_.rgSYS_Wireless.SetItemIndex(o.wireless);
  c_.rgSYS_WiFi.SetItemIndex(o.wifi);
  c_.cbSYS_MSD.SetChecked(o.msd);
  const int L = o.link;
  if (L == 0 && c_.rgSYS_WiFi.ItemIndex() == 1)
    wifi_.Show();
  else
    wifi_.Reset(false);
  SetUnsaved(false);
}

void SystemPage::SendCommand(const std::string& action, const std::string& suffix, bool save) {
  if (ex_.Running()) {
    c_.memSYS.AddLine(BusyRefusal(action));
    saveFailed_ = save;
    return;
  }
  saving_ = save;
  saveFailed_ = false;
  ExchangeRequest r;
  r.operation = Operation::DeviceCommand;
  r.commandSuffix = suffix;
  r.wait = true;
  reply_.clear();
  r.echoLine = [this](const std::string& line) { reply_.push_back(line); };
  r.finished = [this, save, suffix, before = infoLines_](bool) { Report(save, suffix, before); };
  ex_.Start(std::move(r));
}

// The options shown come from the "SI:" line of the reply: after a save, options the
// adapter did not take show as it has them.
void SystemPage::Report(bool save, const std::string& sent, int infoBefore) {
  if (save) {
    saving_ = false;
    saveFailed_ = !ex_.Answered();
  }
  if (!ex_.Answered()) {
    c_.memSYS.AddLine("No reply from the adapter.");
  } else if (infoLines_ == infoBefore) {
    c_.memSYS.AddLine("No system settings in the adapter's reply:");
    for (const std::string& line : reply_) c_.memSYS.AddLine(line);
  } else if (!save) {
    c_.memSYS.AddLine("System settings read.");
  } else if (SaveCommand() == sent) {
    c_.memSYS.AddLine("System settings saved.");
  } else {
    c_.memSYS.AddLine("The adapter kept other settings: sent " + sent + ", it reports " + SaveCommand() + ".");
  }
}

void SystemPage::Read() { SendCommand("Read", "S", false); }

SystemOptions SystemPage::Shown() const {
  SystemOptions o;
  o.wireless = c_.rgSYS_Wireless.ItemIndex();
  o.bluetooth = c_.rgSYS_Bluetooth.ItemIndex();
  o.wifi = c_.rgSYS_WiFi.ItemIndex();
  o.msd = c_.cbSYS_MSD.Checked();
  return o;
}

std::string SystemPage::SaveCommand() const { return SystemSaveSuffix(Shown()); }

void SystemPage::Save() { SendCommand("Save", SaveCommand(), true); }

int SystemPage::PendingChangesPrompt() {
  if (!unsaved_ || !offered_) return 0;
  const int answer =
      window_.AppMessageBox("System...", "Save the changes on the System page?", mb::YesNoCancel | mb::IconQuestion);
  if (answer == mb::IdNo) return 0;
  if (answer != mb::IdYes) return -1;
  Save();
  return 1;
}

void SystemPage::SetUnsaved(bool unsaved) {
  unsaved_ = unsaved;
  c_.btSYS_Save.SetEnabled(unsaved);
}

}  // namespace bx
