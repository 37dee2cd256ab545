#include "firmware/UpdatePage.h"

#include <filesystem>

#include "exchange/Exchange.h"
#include "firmware/Unitfwupdate.h"
#include "form/Unitmain.h"

namespace bx {

namespace {
// Runs `extra` after whatever handler the control already had.
void ChainChange(ui::TTextControl& c, std::function<void()> extra) {
  auto previous = c.OnChange;
  c.OnChange = [previous, extra] {
    if (previous) previous();
    extra();
  };
}
}  // namespace

UpdatePage::UpdatePage(TfrmMain& form, Exchange& exchange) : f_(form), ex_(exchange) {
  f_.rbUploadFW.OnClick = [this] { rbUploadFWClick(); };
  f_.ckbNotSearch.OnClick = [this] { UpdateRunButton(); };
  f_.ckbWait.OnClick = [this] { UpdateRunButton(); };
  f_.btFW_File.OnClick = [this] { btFW_FileClick(); };
  f_.btUpdateRun.OnClick = [this] { btUpdateRunClick(); };
  f_.btReset.OnClick = [this] { btResetClick(); };
  ChainChange(f_.edFW_File, [this] { UpdateRunButton(); });
  ChainChange(f_.edCOM, [this] { UpdateRunButton(); });
  ex_.updateButtons = [this] { UpdateRunButton(); };
}

bool UpdatePage::UploadRunning() const {
  return ex_.State() == ExchangeState::UpdateRunning && f_.Updater && f_.Updater->IsRunning();
}

void UpdatePage::UpdateRunButton() {
  // The options stay usable during an upload; whatever the user changes there, "Stop"
  // must remain available until the upload has ended.
  if (UploadRunning()) {
    f_.btUpdateRun.SetEnabled(true);
    return;
  }
  const bool file = !f_.edFW_File.Text().empty();
  const bool adapter = !f_.edSerial.Text().empty();
  f_.btUpdateRun.SetEnabled(f_.ckbNotSearch.Checked() ? file : file && adapter);
}

void UpdatePage::rbUploadFWClick() {
  const bool upload = f_.rbUploadFW.Checked();
  f_.ckbNotSearch.SetEnabled(upload);
  f_.ckbWait.SetEnabled(upload);
  UpdateRunButton();
}

void UpdatePage::btFW_FileClick() {
  std::string name = f_.edFW_File.Text();
  if (!f_.SelectFile("Firmware files", "*.RFW", name)) return;
  std::error_code ec;
  if (std::filesystem::is_regular_file(name, ec)) {
    f_.edFW_File.SetText(name);
    return;
  }
  f_.AppMessageBox("Error...", "Firware file \"" + name + "\" is not found.", mb::IconError);
}

void UpdatePage::btUpdateRunClick() {
  if (f_.btUpdateRun.Caption() == "Run") {
    if (ex_.Running()) return;
    f_.memUpdate.Clear();
    f_.edUpdateSatus.SetText("");  // the last run's ending is no status of this one
    f_.pbUpdateProgress.SetPosition(0);
    ExchangeRequest r;
    r.operation = f_.ckbNotSearch.Checked() ? Operation::UpdateNoSearch : Operation::Update;
    r.focusTarget = &f_.btUpdateRun;
    r.ended = [this] { UploadEnded(); };
    f_.btUpdateRun.SetCaption("Stop");
    ex_.Start(std::move(r));
    return;
  }
  // The exchange sees at its next step that the updater no longer runs and finishes.
  if (f_.Updater) f_.Updater->Cancel();
  f_.btUpdateRun.SetCaption("Run");
}

void UpdatePage::btResetClick() {
  // During an upload the page stays usable; a running exchange keeps its own command.
  ExchangeRequest r;
  r.operation = Operation::DeviceCommand;
  r.commandSuffix = "R";
  r.ended = [this, before = ex_.CommandsSent()] { ResetEnded(before); };
  if (!ex_.Start(std::move(r))) f_.memUpdate.AddLine("Reset not sent: an upload is running, press Stop first.");
}

// An upload that was cancelled or failed, or that never began once the adapter had been
// sent to its bootloader, leaves it there: it answers no adapter command until a reset.
void UpdatePage::UploadEnded() {
  if (!ex_.HandedToUpdater()) return;
  const bool ok = f_.Updater && f_.Updater->Succeeded();
  ex_.bootloaderHint = !ok;
  if (!ok) f_.memUpdate.AddLine(kBootloaderHint);
}

// The reset is not answered: sent is all there is to tell (a port that did not open has
// its own message).
void UpdatePage::ResetEnded(int commandsBefore) {
  if (ex_.CommandsSent() == commandsBefore) return;
  ex_.bootloaderHint = false;
  f_.memUpdate.AddLine("Reset sent: the adapter restarts.");
}

void CreateUpdater(TfrmMain& form, Exchange& ex) {
  form.Updater = std::make_shared<FirmwareUpdater>();
  ex.startUpdater = [&form](Link& link) {
    auto owner = [&form](const std::string& caption, const std::string& text, int flags) {
      return form.AppMessageBox(caption, text, flags);
    };
    return form.Updater && form.Updater->Start(owner, link, form.edFW_File.Text(), form.pbUpdateProgress,
                                               form.edUpdateSatus, form.memUpdate, form.ckbWait.Checked());
  };
  ex.updaterRunning = [&form] { return form.Updater && form.Updater->IsRunning(); };
}

void DestroyUpdater(TfrmMain& form) { form.Updater.reset(); }

}  // namespace bx
