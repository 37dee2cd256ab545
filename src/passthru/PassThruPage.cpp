#include "passthru/PassThruPage.h"

#include "form/Unitmain.h"

namespace bx {

PassThruPage::PassThruPage(TfrmMain& form) : f_(form) {
  for (ui::TButton* b : {&f_.passThru.btJ2534_Load, &f_.passThru.btJ2534_Open, &f_.passThru.btJ2534_Version,
                         &f_.passThru.btJ2534_Config, &f_.passThru.btJ2534_Info, &f_.passThru.btJ2534_Copy})
    b->SetEnabled(false);
  f_.passThru.cbJ2534_Devices.Hint = "Ports List";
  f_.passThru.btJ2534_Refresh.Hint = "Refresh USB-Ports";
  for (ui::TEdit* e : {&f_.passThru.edJ2534_Config, &f_.passThru.edJ2534_DLL, &f_.passThru.edJ2534_Version_DLL}) {
    e->ReadOnly = true;
    e->SetColor(ui::clr::BtnFace);
  }
}

void PassThruPage::PageEntered() {
  if (!f_.PassThruDriverVersion.empty()) {
    // The adapter offers a driver: the installation starts from an empty progress bar.
    f_.passThru.pbJ2534_Install.SetPosition(0);
  } else if (!f_.edVersion.Text().empty()) {
    f_.passThru.lbJ2534_Message.SetCaption("  Update Firmware !!!");
    f_.passThru.lbJ2534_Message.SetVisible(true);
  }
}

// No pass-thru library is ever loaded yet, so there is nothing to unload.
void PassThruPage::UnloadLibrary() {}

}  // namespace bx
