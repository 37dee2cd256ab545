#include "modes/ModeHousekeeping.h"

#include <filesystem>

#include "form/PageControls.h"
#include "settings/Settings.h"
#include "form/WindowServices.h"
#include "modes/ModeList.h"
#include "platform/Services.h"

namespace bx {

ModeHousekeeping::ModeHousekeeping(SettingsControls& controls, Settings& settings, WindowServices& window, Shell* shell,
                                   ModeList& modes)
    : c_(controls), settings_(settings), window_(window), shell_(shell), modes_(modes) {
  c_.btModeHide.OnClick = [this] { btModeHideClick(); };
  c_.btModeFile.OnClick = [this] { LinkProgram(); };
  c_.btModeFileDel.OnClick = [this] { Unlink(); };
  c_.btModeRun.OnClick = [this] { RunProgram(); };
}

void ModeHousekeeping::btModeHideClick() {
  if (modes_.OffersShow())
    Show();
  else
    Hide();
}

void ModeHousekeeping::Hide() {
  ui::TListItem* item = modes_.remembered;
  const std::string id = modes_.RememberedId();
  // Mode "000" can never be hidden, and an entry without an ID has nothing to key on.
  if (!item || id.empty() || id == "000") return;
  StoreHidden(settings_, id, modes_.RowOf(*item).description, true);
  modes_.SetState(*item, mode_state::Hidden);
  modes_.lvModesSelectItem(item, true);
}

void ModeHousekeeping::Show() {
  ui::TListItem* item = modes_.remembered;
  const std::string id = modes_.RememberedId();
  if (!item || id.empty()) return;
  StoreHidden(settings_, id, modes_.RowOf(*item).description, false);
  modes_.SetState(*item, c_.cbShow.Checked() ? mode_state::Active : mode_state::Normal);
  modes_.lvModesSelectItem(item, true);
}

void ModeHousekeeping::LinkProgram() {
  const std::string id = modes_.RememberedId();
  std::string path = modes_.LinkedProgram();
  if (!id.empty() && window_.SelectProgram(path)) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) {
      modes_.ShowProgram(path);
      settings_.WriteSettingString("Run", id, path);
    } else {
      window_.AppMessageBox("Error...", "Executable file \"" + path + "\" is not found.", mb::IconError);
    }
  }
  if (!modes_.LinkedProgram().empty()) {
    c_.btModeFileDel.SetEnabled(true);
    c_.btModeRun.SetEnabled(true);
  }
}

void ModeHousekeeping::Unlink() {
  const std::string program = modes_.LinkedProgram();
  const std::string id = modes_.RememberedId();
  const int answer = window_.AppMessageBox(
      "Unlink...",
      "Do you really want to unlink " + (program.empty() ? std::string("the program") : "\"" + program + "\"") +
          (id.empty() ? std::string() : " from mode " + id) + "?",
      mb::IconQuestion | mb::YesNoCancel | mb::DefaultNo);
  if (answer != mb::IdYes) return;
  modes_.ShowProgram("");
  if (!id.empty()) settings_.WriteSettingString("Run", id, "");
  c_.btModeFileDel.SetEnabled(false);
  c_.btModeRun.SetEnabled(false);
}

void ModeHousekeeping::RunProgram() {
  const std::string path = modes_.LinkedProgram();
  if (path.empty() || !shell_) return;
  // The program runs in its own folder; the shell starts it there without moving this
  // process's current folder, so there is nothing to put back afterwards.
  (void)shell_->Open(path, std::filesystem::path(path).parent_path().string());
}

}  // namespace bx
