#include "netdev/NetworkPage.h"

#include "form/Unitmain.h"

namespace bx {

NetworkPage::NetworkPage(TfrmMain& form) : f_(form) {
  for (ui::TButton* b : {&f_.btNetwork_Find, &f_.btNetwork_Config, &f_.btNetwork_Delete, &f_.btNetwork_State,
                         &f_.btNetwork_Save, &f_.btNetwork_Add, &f_.btNetwork_Update, &f_.btCopy_Network})
    b->SetEnabled(false);
  f_.ListView1.ShowColumnHeaders = false;
  f_.ListView1.SmallIcons = true;
  f_.ListView1.SetEnabled(false);
  for (auto [caption, state] : {std::pair{"New", 5}, {"Found", 8}, {"Disabled", 7}}) {
    auto& item = f_.ListView1.Add();
    item.SetCaption(caption);
    item.SetStateIndex(state);
  }
}

int NetworkPage::PendingChangesPrompt(bool reload) {
  if (!f_.btNetwork_Save.Enabled()) return 0;
  const int answer = f_.AppMessageBox("Network Search...", "Save changes?", mb::YesNoCancel | mb::IconQuestion);
  if (answer == mb::IdYes) {
    SaveList();
    return 1;
  }
  if (answer == mb::IdNo) {
    if (reload) LoadList();
    return 0;
  }
  return -1;
}

void NetworkPage::LoadList() {
  // No stored list is read yet: the page starts with nothing to save.
  f_.btNetwork_Save.SetEnabled(false);
}

void NetworkPage::SaveList() {
  // Nothing is written yet; the page is left without unsaved changes.
  f_.btNetwork_Save.SetEnabled(false);
}

}  // namespace bx
