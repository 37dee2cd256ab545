#include "netdev/NetworkPage.h"

#include "form/Unitmain.h"

namespace bx {

NetworkPage::NetworkPage(TfrmMain& form) : f_(form) {
  for (ui::TButton* b : {&f_.network.btNetwork_Find, &f_.network.btNetwork_Config, &f_.network.btNetwork_Delete,
                         &f_.network.btNetwork_State, &f_.network.btNetwork_Save, &f_.network.btNetwork_Add,
                         &f_.network.btNetwork_Update, &f_.network.btCopy_Network})
    b->SetEnabled(false);
  f_.network.ListView1.ShowColumnHeaders = false;
  f_.network.ListView1.SmallIcons = true;
  f_.network.ListView1.SetEnabled(false);
  for (auto [caption, state] : {std::pair{"New", 5}, {"Found", 8}, {"Disabled", 7}}) {
    auto& item = f_.network.ListView1.Add();
    item.SetCaption(caption);
    item.SetStateIndex(state);
  }
}

int NetworkPage::PendingChangesPrompt(bool reload) {
  if (!f_.network.btNetwork_Save.Enabled()) return 0;
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
  f_.network.btNetwork_Save.SetEnabled(false);
}

void NetworkPage::SaveList() {
  // Nothing is written yet; the page is left without unsaved changes.
  f_.network.btNetwork_Save.SetEnabled(false);
}

}  // namespace bx
