#include "modes/ModeHousekeeping.h"

#include <filesystem>

#include "form/Unitmain.h"
#include "modes/ModeList.h"

namespace bx {

namespace {
std::string Description(const ui::TListItem& item) {
  return item.SubItems().size() > 1 ? item.SubItems()[1] : std::string();
}
}  // namespace

ModeHousekeeping::ModeHousekeeping(TfrmMain& form, ModeList& modes) : f_(form), modes_(modes) {
  f_.btModeHide.OnClick = [this] { btModeHideClick(); };
  f_.btModeFile.OnClick = [this] { LinkProgram(); };
  f_.btModeFileDel.OnClick = [this] { Unlink(); };
  f_.btModeRun.OnClick = [this] { RunProgram(); };
}

void ModeHousekeeping::btModeHideClick() {
  const std::string& caption = f_.btModeHide.Caption();
  if (caption.empty()) return;
  if (caption[0] == 'H')
    Hide();
  else if (caption[0] == 'S')
    Show();
}

void ModeHousekeeping::Hide() {
  ui::TListItem* item = modes_.remembered;
  const std::string id = modes_.RememberedId();
  // Mode "000" can never be hidden, and an entry without an ID has nothing to key on.
  if (!item || id.empty() || id == "000") return;
  f_.settings.WriteSettingString("Hide", id, Description(*item));
  item->SetStateIndex(mode_state::Hidden);
  modes_.lvModesSelectItem(item, true);
}

void ModeHousekeeping::Show() {
  ui::TListItem* item = modes_.remembered;
  const std::string id = modes_.RememberedId();
  if (!item || id.empty()) return;
  f_.settings.WriteSettingString("Hide", id, "");
  item->SetStateIndex(f_.cbShow.Checked() ? mode_state::Active : mode_state::Normal);
  modes_.lvModesSelectItem(item, true);
}

void ModeHousekeeping::LinkProgram() {
  const std::string id = modes_.RememberedId();
  std::string path = f_.edModeRun.Text();
  if (!id.empty() && f_.SelectFile("Executable files", "*.exe;*.bat;*.cmd", path)) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) {
      f_.edModeRun.SetText(path);
      f_.settings.WriteSettingString("Run", id, path);
    } else {
      f_.AppMessageBox("Error...", "Executable file \"" + path + "\" is not found.", mb::IconError);
    }
  }
  if (!f_.edModeRun.Text().empty()) {
    f_.btModeFileDel.SetEnabled(true);
    f_.btModeRun.SetEnabled(true);
  }
}

void ModeHousekeeping::Unlink() {
  const int answer =
      f_.AppMessageBox("Unlink...", "Do you really want to unlink software?", mb::IconQuestion | mb::YesNoCancel);
  if (answer != mb::IdYes) return;
  const std::string id = modes_.RememberedId();
  f_.edModeRun.SetText("");
  if (!id.empty()) f_.settings.WriteSettingString("Run", id, "");
  f_.btModeFileDel.SetEnabled(false);
  f_.btModeRun.SetEnabled(false);
}

void ModeHousekeeping::RunProgram() {
  const std::string path = f_.edModeRun.Text();
  if (path.empty() || !f_.ctx.shell) return;
  // The program runs in its own folder; the shell starts it there without moving this
  // process's current folder, so there is nothing to put back afterwards.
  (void)f_.ctx.shell->Open(path, std::filesystem::path(path).parent_path().string());
}

}  // namespace bx
