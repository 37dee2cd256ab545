#include "update/UpdatePage.h"

#include <filesystem>

#include "core/ImageHeader.h"
#include "exchange/Exchange.h"
#include "firmware/FirmwareImage.h"
#include "form/PageControls.h"
#include "form/WindowServices.h"
#include "session/AdapterSession.h"

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

UpdatePage::UpdatePage(UpdateControls& controls, StatusControls& status, WindowServices& window, Exchange& exchange,
                       AdapterSession& session)
    : c_(controls), status_(status), window_(window), ex_(exchange), session_(session), report_(controls, exchange) {
  c_.rbUploadFW.OnClick = [this] { rbUploadFWClick(); };
  c_.ckbNotSearch.OnClick = [this] { UpdateRunButton(); };
  c_.ckbWait.OnClick = [this] { UpdateRunButton(); };
  c_.btFW_File.OnClick = [this] { btFW_FileClick(); };
  c_.btUpdateRun.OnClick = [this] { btUpdateRunClick(); };
  c_.btReset.OnClick = [this] { btResetClick(); };
  ChainChange(c_.edFW_File, [this] {
    UpdateRunButton();
    ShowImage();
  });
  ChainChange(status_.edCOM, [this] { UpdateRunButton(); });
  // The exchange disables Run while it holds the window; when it lets go, Run is "Run"
  // again and follows its rule.
  ex_.Follow([this] { c_.btUpdateRun.SetEnabled(false); },
             [this] {
               UpdateRunButton();
               ShowRun(true);
             });
  ex_.Connect(static_cast<UploadStarter&>(*this));
}

void UpdatePage::UpdateRefused(const Bytes& answer) { c_.memUpdate.AddLine(answer); }

// No upload begins before the updater is made, or after it is gone.
bool UpdatePage::StartUpdater(Link& link) {
  auto owner = [this](const std::string& caption, const std::string& text, int flags) {
    return window_.AppMessageBox(caption, text, flags);
  };
  if (!updater_ || !updater_->Start(owner, link, c_.edFW_File.Text(), report_, c_.ckbWait.Checked())) return false;
  // "Stop" stays usable for as long as the upload runs.
  c_.btUpdateRun.SetEnabled(true);
  return true;
}

bool UpdatePage::UploadRunning() const {
  return ex_.State() == ExchangeState::UpdateRunning && updater_ && updater_->IsRunning();
}

void UpdatePage::UpdateRunButton() {
  // The options stay usable during an upload; whatever the user changes there, "Stop"
  // must remain available until the upload has ended.
  if (UploadRunning()) {
    c_.btUpdateRun.SetEnabled(true);
    return;
  }
  const bool file = !c_.edFW_File.Text().empty();
  const bool adapter = session_.Identified();
  c_.btUpdateRun.SetEnabled(c_.ckbNotSearch.Checked() ? file : file && adapter);
}

void UpdatePage::rbUploadFWClick() {
  const bool upload = c_.rbUploadFW.Checked();
  c_.ckbNotSearch.SetEnabled(upload);
  c_.ckbWait.SetEnabled(upload);
  UpdateRunButton();
}

void UpdatePage::btFW_FileClick() {
  std::string name = c_.edFW_File.Text();
  if (!window_.SelectFile("Firmware files", "*.RFW", name)) return;
  std::error_code ec;
  if (std::filesystem::is_regular_file(name, ec)) {
    c_.edFW_File.SetText(name);
    return;
  }
  window_.AppMessageBox("Error...", "Firware file \"" + name + "\" is not found.", mb::IconError);
}

void UpdatePage::btUpdateRunClick() {
  if (runOffered_) {
    if (ex_.Running() || !FileUploadable()) return;
    c_.memUpdate.Clear();
    c_.edUpdateSatus.SetText("");  // the last run's ending is no status of this one
    c_.pbUpdateProgress.SetPosition(0);
    ExchangeRequest r;
    r.operation = c_.ckbNotSearch.Checked() ? Operation::UpdateNoSearch : Operation::Update;
    r.focusTarget = &c_.btUpdateRun;
    r.finished = [this](bool) { UploadEnded(); };
    ShowRun(false);
    ex_.Start(std::move(r));
    return;
  }
  // The updater announces its end, and the exchange finishes with it.
  if (updater_) updater_->Cancel();
  ShowRun(true);
}

// The page size is the bootloader's to tell; until one has, the usual size stands in.
void UpdatePage::ShowImage() {
  const std::string& path = c_.edFW_File.Text();
  if (path.empty() || UploadRunning()) return;
  FirmwareImage image;
  if (LoadFirmwareImage(path, image) != FirmwareLoad::Ok) return;
  const int told = updater_ ? updater_->PageSize() : 0;
  const std::size_t pageSize = told > 0 ? static_cast<std::size_t>(told) : kUsualPageSize;
  const std::size_t pages = image.PageCount(pageSize);
  const std::size_t rest = image.ImageData().size() - pages * pageSize;
  const std::string version = ImageVersionText(image.FileHeader());
  std::string line = "Image: " + std::to_string(image.File().size()) + " bytes, " + std::to_string(pages) +
                     " pages of " + std::to_string(pageSize) + " bytes";
  if (rest > 0) line += " and " + std::to_string(rest) + " bytes over";
  line += version.empty() ? std::string(", no version in its header.") : ", version " + version + ".";
  c_.memUpdate.AddLine(line);
}

void UpdatePage::ShowRun(bool run) {
  runOffered_ = run;
  c_.btUpdateRun.SetCaption(run ? "Run" : "Stop");
}

// A file that no bootloader could take is refused before "!dulMAR_SC_U": the adapter
// would otherwise wait in its bootloader for an upload that never begins. Whatever needs
// the bootloader's page size is judged by the updater once the header is answered.
bool UpdatePage::FileUploadable() {
  const std::string& path = c_.edFW_File.Text();
  const FirmwareLoad loaded = CheckFirmwareFile(path);
  if (loaded == FirmwareLoad::Ok) return true;
  window_.AppMessageBox(FirmwareUpdater::kFileCaption, FirmwareLoadMessage(loaded, path), mb::Ok | mb::IconError);
  return false;
}

void UpdatePage::btResetClick() {
  // During an upload the page stays usable; a running exchange keeps its own command.
  if (ex_.Running()) {
    c_.memUpdate.AddLine(BusyRefusal("Reset"));
    return;
  }
  ExchangeRequest r;
  r.operation = Operation::DeviceCommand;
  r.commandSuffix = "R";
  r.finished = [this, before = ex_.CommandsSent()](bool) { ResetEnded(before); };
  ex_.Start(std::move(r));
}

// An upload that was cancelled or failed, or that never began once the adapter had been
// sent to its bootloader, leaves it there: it answers no adapter command until a reset.
void UpdatePage::UploadEnded() {
  if (!ex_.HandedToUpdater()) {
    session_.End(false, ex_.Failure());
    return;
  }
  const bool ok = updater_ && updater_->Succeeded();
  // The updater's own ending: its last line, or why it never began.
  std::string cause = updater_ ? updater_->EndLine() : std::string();
  if (!ok && cause.empty()) cause = "the upload did not begin";
  session_.End(ok, ok ? std::string() : cause);
  ex_.bootloaderHint = !ok;
  if (!ok) c_.memUpdate.AddLine(kBootloaderHint);
}

// The reset is not answered: sent is all there is to tell (a port that did not open has
// its own message).
void UpdatePage::ResetEnded(int commandsBefore) {
  if (ex_.CommandsSent() == commandsBefore) return;
  ex_.bootloaderHint = false;
  c_.memUpdate.AddLine("Reset sent: the adapter restarts.");
}

UpdatePage::~UpdatePage() = default;

void UpdatePage::CreateUpdater() {
  updater_ = std::make_unique<FirmwareUpdater>();
}

UpdatePage::PageReport::PageReport(UpdateControls& c, Exchange& ex)
    : ControlsReport(c.pbUpdateProgress, c.edUpdateSatus, c.memUpdate), ex_(ex) {}

void UpdatePage::PageReport::Ended(bool) { ex_.UploadEnded(); }

void UpdatePage::DestroyUpdater() { updater_.reset(); }

}  // namespace bx
