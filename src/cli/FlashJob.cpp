#include "cli/FlashJob.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "exchange/Exchange.h"
#include "exchange/PortList.h"
#include "firmware/Unitfwupdate.h"
#include "firmware/UpdatePage.h"
#include "form/Unitmain.h"
#include "links/LinkTable.h"
#include "session/AdapterSession.h"
#include "window/Modules.h"

namespace bx::cli {

namespace {
// A port named on the command line shows in the first scan pass; this bounds one that
// never does.
constexpr int64_t kListedMs = 4000;
// After Stop the exchange ends at its next step; this only guards against one that does not.
constexpr int64_t kStopGraceMs = 5000;

// Makes a check box show `checked` the way the user would: by clicking it.
void ClickTo(ui::TCheckBox& box, bool checked) {
  if (box.Checked() != checked) box.Click();
}
}  // namespace

bool ParseFlashArgs(const std::vector<std::string>& args, FlashArgs& a, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--no-search") {
      a.noSearch = true;
    } else if (arg == "--no-wait") {
      a.noWait = true;
    } else if (arg == "--all") {
      a.all = true;
    } else if (arg == "--timeout") {
      const std::string v = i + 1 < args.size() ? args[++i] : "";
      int s = 0;
      const auto r = std::from_chars(v.data(), v.data() + v.size(), s);
      if (v.empty() || r.ec != std::errc() || r.ptr != v.data() + v.size() || s <= 0) {
        error = "--timeout needs a number of seconds above 0";
        return false;
      }
      a.timeoutS = s;
    } else if (!arg.empty() && arg[0] == '-') {
      error = "unknown flash option " + arg;
      return false;
    } else if (a.file.empty()) {
      a.file = arg;
    } else {
      error = "flash takes one FILE";
      return false;
    }
  }
  if (a.file.empty()) error = "flash needs a firmware FILE";
  if (a.all && a.noSearch) error = "--all finds the adapters by a search: it cannot go with --no-search";
  return error.empty();
}

FlashJob::FlashJob(TfrmMain& form, std::string port, const FlashArgs& args, bool optional)
    : f_(form), port_(std::move(port)), args_(args), optional_(optional) {}

std::string FlashJob::Serial() const { return f_.Modules->session->Identity().serial; }

int FlashJob::Position() const {
  const FirmwareUpdater* u = f_.Modules->update->Updater();
  return u ? u->ProgressShown() : 0;
}

int FlashJob::PageCount() const {
  const FirmwareUpdater* u = f_.Modules->update->Updater();
  return u && phase_ != Phase::Choose && phase_ != Phase::Search ? u->PageCount() : 0;
}

// The job's time is the time the process ran: the gaps between its steps, each counted
// up to kMaxStepMs. While an upload runs the loop steps the job every poll tick (10 ms),
// so a longer gap is the process stopped (SIGSTOP, a debugger, a suspended terminal job)
// or starved, and the bootloader, which waits as long as it takes, lost nothing by it.
int64_t FlashJob::RunTime(int64_t clockMs) {
  if (lastClockMs_ >= 0) ranMs_ += std::clamp<int64_t>(clockMs - lastClockMs_, 0, kMaxStepMs);
  lastClockMs_ = clockMs;
  return ranMs_;
}

bool FlashJob::Step(int64_t clockMs) {
  const int64_t now = RunTime(clockMs);
  if (phaseSince_ < 0) phaseSince_ = now;
  TakeLog();
  switch (phase_) {
    case Phase::Choose:
      Choose(now);
      break;
    case Phase::Search:
      if (!f_.Modules->exchange->Running()) SearchEnded(now);
      break;
    case Phase::Upload:
      WatchUpload(now);
      break;
    case Phase::Stopping:
      if (!f_.Modules->exchange->Running() || now - phaseSince_ > kStopGraceMs) {
        TakeLog();
        End(false, !stopReason_.empty() ? stopReason_ : UploadCause("stopped"));
      }
      break;
    case Phase::Done:
      break;
  }
  return phase_ == Phase::Done;
}

void FlashJob::Choose(int64_t now) {
  if (f_.Modules->ports->SelectedPortName() != port_ && !looked_) {
    // The links list a named port in their first scan pass: no need to wait for the
    // refresh timer.
    looked_ = true;
    if (f_.Links) f_.Links->WaitScanAll(false);
    f_.Modules->ports->Refresh(false);
  }
  if (f_.Modules->ports->SelectedPortName() != port_) {
    if (now - phaseSince_ > kListedMs) End(false, "the port is not listed");
    return;
  }
  f_.cbCOM.UserSelect(f_.cbCOM.ItemIndex());
  if (f_.edFW_File.Text().empty()) {
    std::error_code ec;
    const std::string path = std::filesystem::absolute(args_.file, ec).string();
    f_.AppMessageBox("Error...", "Firware file \"" + path + "\" is not found.", mb::IconError);
    End(false, lastMessage);
    return;
  }
  // Run refuses such a file too; refused here, no adapter is even searched for.
  if (const FirmwareLoad loaded = CheckFirmwareFile(f_.edFW_File.Text()); loaded != FirmwareLoad::Ok) {
    f_.AppMessageBox(FirmwareUpdater::kFileCaption, FirmwareLoadMessage(loaded, f_.edFW_File.Text()),
                     mb::Ok | mb::IconError);
    End(false, lastMessage);
    return;
  }
  if (args_.noSearch) {
    StartUpload(now);
    return;
  }
  if (!f_.btSearch.Usable()) {
    End(false, "Search is not available on this port");
    return;
  }
  f_.btSearch.Click();
  phase_ = Phase::Search;
}

void FlashJob::SearchEnded(int64_t now) {
  const AdapterSession& a = *f_.Modules->session;
  if (!f_.Modules->exchange->Answered() || !a.Identified()) {
    skipped_ = optional_;
    End(false, lastMessage.empty() ? "no adapter answered" : lastMessage);
    return;
  }
  Note("Adapter " + a.Identity().serial + " on " + a.PortShown());
  StartUpload(now);
}

void FlashJob::StartUpload(int64_t now) {
  f_.rbUploadFW.Click();
  ClickTo(f_.ckbNotSearch, args_.noSearch);
  ClickTo(f_.ckbWait, !args_.noWait);
  if (!f_.btUpdateRun.Usable()) {
    End(false, "Run is not available on the Update page");
    return;
  }
  f_.btUpdateRun.Click();
  phase_ = Phase::Upload;
  phaseSince_ = lastProgress_ = now;
  acknowledged_ = 0;
}

// Progress is a page the bootloader acknowledges for the first time: a bootloader that
// asks for the same page again and again, or repeats its messages, makes none.
void FlashJob::WatchUpload(int64_t now) {
  Exchange& ex = *f_.Modules->exchange;
  if (!ex.Running()) {
    TakeLog();
    const auto& result = f_.Modules->session->LastResult();
    const bool ok = result && result->operation == SessionPhase::Uploading && result->ok;
    End(ok, ok ? "Ok" : UploadCause(lastMessage));
    return;
  }
  const FirmwareUpdater* u = f_.Modules->update->Updater();
  const bool uploading = ex.State() == ExchangeState::UpdateRunning && u && u->IsRunning();
  if (uploading && u->PagesAcknowledged() > acknowledged_) {
    acknowledged_ = u->PagesAcknowledged();
    lastProgress_ = now;
  }
  if (now - lastProgress_ >= int64_t{args_.timeoutS} * 1000 && f_.btUpdateRun.Usable()) {
    stopReason_ = "no progress for " + std::to_string(args_.timeoutS) + " s";
    Note(stopReason_ + ": pressing Stop");
    PressStop(now);
  }
}

void FlashJob::Stop(int64_t clockMs) { PressStop(RunTime(clockMs)); }

void FlashJob::PressStop(int64_t now) {
  if (phase_ == Phase::Done || phase_ == Phase::Stopping) return;
  if (phase_ == Phase::Upload && f_.Modules->update->OffersStop()) {
    f_.btUpdateRun.Click();
    phase_ = Phase::Stopping;
    phaseSince_ = now;
    return;
  }
  End(false, "stopped");
}

// Why the upload failed: the updater's last line when it had the adapter, else `otherwise`.
std::string FlashJob::UploadCause(const std::string& otherwise) const {
  const FirmwareUpdater* u = f_.Modules->update->Updater();
  const bool handed = f_.Modules->exchange->HandedToUpdater();
  return handed && u && !u->EndLine().empty() ? u->EndLine() : otherwise;
}

void FlashJob::End(bool ok, const std::string& result) {
  phase_ = Phase::Done;
  ok_ = ok;
  result_ = result.empty() ? (ok ? "Ok" : "failed") : result;
}

// The update log's new whole lines. Only the text added since the last look is read:
// the log grows by a line or two per page, and is looked at after every dispatch.
void FlashJob::TakeLog() {
  const ui::TMemo& log = f_.memUpdate;
  const std::string& t = log.Text();
  const std::size_t kept = log.KeptSince(logRevision_, logBytes_);
  if (kept < logBytes_) {
    // Rewritten where it was read (cleared for a new run): again from that line's start.
    const std::size_t lineEnd = kept >= 2 ? t.rfind("\r\n", kept - 2) : std::string::npos;
    logBytes_ = lineEnd == std::string::npos ? 0 : lineEnd + 2;
  }
  logRevision_ = log.Revision();
  while (logBytes_ < t.size()) {
    const std::size_t end = t.find("\r\n", logBytes_);
    if (end == std::string::npos) break;
    const std::string line = t.substr(logBytes_, end - logBytes_);
    logBytes_ = end + 2;
    log_.push_back(line);
    if (onLine) onLine(*this, line, false);
  }
}

void FlashJob::Note(const std::string& line) {
  if (onLine) onLine(*this, line, true);
}

}  // namespace bx::cli
