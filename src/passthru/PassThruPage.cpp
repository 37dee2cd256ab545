#include "passthru/PassThruPage.h"

#include "form/Unitmain.h"

namespace bx {

PassThruPage::PassThruPage(TfrmMain& form) : f_(form) {
  for (ui::TButton* b : {&f_.btJ2534_Load, &f_.btJ2534_Open, &f_.btJ2534_Version, &f_.btJ2534_Config, &f_.btJ2534_Info,
                         &f_.btJ2534_Copy})
    b->SetEnabled(false);
  f_.cbJ2534_Devices.Hint = "Ports List";
  f_.btJ2534_Refresh.Hint = "Refresh USB-Ports";
  for (ui::TEdit* e : {&f_.edJ2534_Config, &f_.edJ2534_DLL, &f_.edJ2534_Version_DLL}) {
    e->ReadOnly = true;
    e->SetColor(ui::clr::BtnFace);
  }
}

void PassThruPage::PageEntered() {
  if (!f_.PassThruDriverVersion.empty()) {
    // The adapter offers a driver: the installation starts from an empty progress bar.
    f_.pbJ2534_Install.SetPosition(0);
  } else if (!f_.edVersion.Text().empty()) {
    f_.lbJ2534_Message.SetCaption("  Update Firmware !!!");
    f_.lbJ2534_Message.SetVisible(true);
  }
}

// No pass-thru library is ever loaded yet, so there is nothing to unload.
void PassThruPage::UnloadLibrary() {}

}  // namespace bx
