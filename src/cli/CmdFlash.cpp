// brevantix-cli flash and reset: the Update page's operations.
#include <algorithm>
#include <charconv>
#include <filesystem>
#include <ostream>
#include <string_view>

#include "cli/Cli.h"
#include "exchange/Exchange.h"
#include "firmware/Unitfwupdate.h"
#include "firmware/UpdatePage.h"
#include "platform/Terminal.h"
#include "window/Modules.h"

namespace bx::cli {
namespace {

constexpr int64_t kSearchLimitMs = 120000;
// After Stop the exchange ends at its next step; this only guards against one that does not.
constexpr int64_t kStopGraceMs = 5000;

struct FlashArgs {
  std::string file;
  bool noSearch = false;
  bool noWait = false;
  int timeoutS = 30;
};

bool ParseFlashArgs(const std::vector<std::string>& args, FlashArgs& a, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--no-search") {
      a.noSearch = true;
    } else if (arg == "--no-wait") {
      a.noWait = true;
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
  return !a.file.empty();
}

// Prints the upload log as it grows and, on a terminal, a progress bar below it.
class FlashMonitor {
 public:
  FlashMonitor(TfrmMain& f, std::ostream& out, bool bar) : f_(f), out_(out), bar_(bar) {}

  // Prints what is new; true when the log or the progress moved since the last call.
  bool Update() { return ShowProgress(PrintNewLines(false)); }
  void End() {
    ShowProgress(PrintNewLines(true));
    ClearBar();
    out_.flush();
  }

 private:
  // Only the part of the log added since the last look is read: counting its lines on
  // every pass made a long upload cost the square of its page count. A line is printed
  // once it is complete, the last one without its line end only at the end.
  bool PrintNewLines(bool last) {
    const ui::TMemo& log = f_.memUpdate;
    const std::string& text = log.Text();
    const std::size_t kept = log.KeptSince(revision_, printed_);
    if (kept < printed_) {
      // Rewritten where it was printed (cleared for a new run): again from that line on.
      const std::size_t lineEnd = kept >= 2 ? text.rfind("\r\n", kept - 2) : std::string::npos;
      printed_ = lineEnd == std::string::npos ? 0 : lineEnd + 2;
    }
    revision_ = log.Revision();
    bool moved = false;
    while (printed_ < text.size()) {
      const std::size_t end = text.find("\r\n", printed_);
      if (end == std::string::npos && !last) break;
      const std::size_t stop = end == std::string::npos ? text.size() : end;
      if (!moved) ClearBar();
      out_ << std::string_view(text).substr(printed_, stop - printed_) << "\n";
      printed_ = end == std::string::npos ? stop : end + 2;
      moved = true;
    }
    return moved;
  }
  // Draws the bar again after new lines or a new position; true when either came.
  bool ShowProgress(bool moved) {
    const int position = f_.pbUpdateProgress.Position();
    if (position != position_) {
      position_ = position;
      moved = true;
    }
    if (moved) {
      DrawBar();
      out_.flush();
    }
    return moved;
  }
  bool Paging() const {
    const FirmwareUpdater* u = f_.Modules->update->Updater();
    return u && u->IsRunning() && u->State() == UpdaterState::WaitPageRequest;
  }
  void DrawBar() {
    if (!bar_ || !Paging()) return;
    const int max = std::max(1, f_.pbUpdateProgress.Max());
    const int pos = f_.pbUpdateProgress.Position();
    constexpr int kWidth = 40;
    const int filled = pos * kWidth / max;
    out_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
         << std::string(static_cast<std::size_t>(kWidth - filled), '.') << "] " << (pos * 100 / max) << "% " << pos
         << "/" << max;
    drawn_ = true;
  }
  void ClearBar() {
    if (!drawn_) return;
    out_ << "\r\033[K";
    drawn_ = false;
  }

  TfrmMain& f_;
  std::ostream& out_;
  bool bar_;
  bool drawn_ = false;
  uint64_t revision_ = 0;    // of the log at the last look
  std::size_t printed_ = 0;  // bytes of the log printed, whole lines
  int position_ = -1;
};

bool IsSuccess(const std::string& status) {
  return status == "Updating firmware : Ok" || status == "System Updating : Ok";
}

// Makes a check box show `checked` the way the user would: by clicking it.
void ClickTo(ui::TCheckBox& box, bool checked) {
  if (box.Checked() != checked) box.Click();
}

bool Search(Session& s) {
  TfrmMain& f = *s.form;
  Exchange& ex = *f.Modules->exchange;
  if (!f.btSearch.Usable()) return false;
  f.btSearch.Click();
  if (!s.RunUntil([&] { return !ex.Running(); }, kSearchLimitMs)) return false;
  return ex.Answered() && !f.edSerial.Text().empty();
}

void PrepareFlash(Session& s, AppContext& context) {
  FlashArgs a;
  std::string error;
  // The window takes a firmware file from its command line, as when one is opened from
  // the desktop; a usage error is reported by run.
  if (ParseFlashArgs(s.args, a, error)) context.args = {a.file};
}

// Runs the upload the Run button started; true when the exchange ended.
bool RunUpload(Session& s, const FlashArgs& a) {
  TfrmMain& f = *s.form;
  Exchange& ex = *f.Modules->exchange;
  FlashMonitor monitor(f, *s.out, StandardOutputIsTerminal());
  int64_t lastMove = s.loop.NowMs();
  int64_t stoppedAt = -1;
  const bool ended = s.RunUntil(
      [&] {
        const int64_t now = s.loop.NowMs();
        if (monitor.Update()) lastMove = now;
        if (!ex.Running()) return true;
        if (stoppedAt >= 0) return now - stoppedAt > kStopGraceMs;
        const FirmwareUpdater* u = f.Modules->update->Updater();
        const bool uploading = ex.State() == ExchangeState::UpdateRunning && u && u->IsRunning();
        if (uploading && now - lastMove >= int64_t{a.timeoutS} * 1000 && f.btUpdateRun.Usable()) {
          monitor.End();
          *s.err << "brevantix-cli: no progress for " << a.timeoutS << " s: pressing Stop\n";
          f.btUpdateRun.Click();
          stoppedAt = now;
        }
        return false;
      },
      -1);
  monitor.End();
  return ended && !ex.Running();
}

int RunFlash(Session& s) {
  FlashArgs a;
  std::string error;
  if (!ParseFlashArgs(s.args, a, error)) {
    *s.err << "brevantix-cli: " << error << "\n";
    return 2;
  }
  if (!s.ChoosePort()) return 2;
  TfrmMain& f = *s.form;
  if (f.edFW_File.Text().empty()) {
    std::error_code ec;
    const std::string path = std::filesystem::absolute(a.file, ec).string();
    f.AppMessageBox("Error...", "Firware file \"" + path + "\" is not found.", mb::IconError);
    return 1;
  }
  if (!a.noSearch) {
    if (!Search(s)) return 1;
    *s.out << "Adapter " << f.edSerial.Text() << " on " << f.edCOM.Text() << "\n";
  }
  f.rbUploadFW.Click();
  ClickTo(f.ckbNotSearch, a.noSearch);
  ClickTo(f.ckbWait, !a.noWait);
  if (!f.btUpdateRun.Usable()) {
    *s.err << "brevantix-cli: Run is not available on the Update page\n";
    return 1;
  }
  f.btUpdateRun.Click();
  if (!RunUpload(s, a)) {
    *s.err << "brevantix-cli: the update did not end after Stop\n";
    return 1;
  }
  return IsSuccess(f.edUpdateSatus.Text()) ? 0 : 1;
}

int RunReset(Session& s) {
  if (!s.args.empty()) {
    *s.err << "brevantix-cli: reset takes no arguments\n";
    return 2;
  }
  if (!s.ChoosePort()) return 2;
  TfrmMain& f = *s.form;
  Exchange& ex = *f.Modules->exchange;
  const int before = ex.CommandsSent();
  f.btReset.Click();
  s.RunUntil([&] { return !ex.Running(); }, kSearchLimitMs);
  if (ex.CommandsSent() == before) return 1;  // the port did not open (the message says so)
  *s.out << "Sent " << f.edCOMM_Command.Text() << "\n";
  return 0;
}

Registrar flash({"flash", "FILE [--no-search] [--no-wait] [--timeout S]",
                 "upload the firmware image FILE (.rfw) to the adapter, as the Update page does",
                 "Searches for the adapter first, then asks it to enter its bootloader and uploads\n"
                 "the file page by page, printing every line of the update log as it comes (and a\n"
                 "progress bar on a terminal).\n"
                 "  --no-search   tick \"Do not Search\": the adapter is already in its bootloader\n"
                 "  --no-wait     untick \"Wait\": connect at once instead of waiting for the\n"
                 "                bootloader's prompt\n"
                 "  --timeout S   press Stop after S seconds without progress (default 30)\n"
                 "Exit code 0 after \"Updating firmware : Ok\" or \"System Updating : Ok\", 1 otherwise,\n"
                 "2 for usage errors.",
                 RunFlash, PrepareFlash});
Registrar reset({"reset",
                 "",
                 "send the adapter its reset command (\"Reset\" on the Update page)",
                 "The command is not answered: exit code 0 once it has been sent, 1 when the port\n"
                 "would not open, 2 for usage errors.",
                 RunReset,
                 {}});

}  // namespace
}  // namespace bx::cli
