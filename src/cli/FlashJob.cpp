#include "cli/FlashJob.h"

#include <algorithm>
#include <charconv>

#include "platform/Services.h"

namespace bx::cli {

bool ParseFlashArgs(const std::vector<std::string>& args, FlashArgs& a, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--no-search") {
      a.noSearch = true;
    } else if (arg == "--no-wait") {
      a.noWait = true;
    } else if (arg == "--all") {
      a.all = true;
    } else if (arg == "--verbose") {
      a.verbose = true;
    } else if (arg == "--watch") {
      a.watch = true;
    } else if (arg == "--only-new") {
      a.onlyNew = true;
    } else if (arg == "--again") {
      a.again = true;
    } else if (arg == "--report") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        error = "--report needs a FILE";
        return false;
      }
      a.report = args[++i];
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
  if (a.watch && a.noSearch) error = "--watch knows the adapters by a search: it cannot go with --no-search";
  if (a.watch && a.all) error = "--watch and --all cannot be given together";
  if (!a.watch && (a.onlyNew || a.again || !a.report.empty()))
    error = std::string(a.onlyNew ? "--only-new" : a.again ? "--again" : "--report") + " goes with --watch";
  return error.empty();
}

FlashJob::FlashJob(std::unique_ptr<Link> link, std::string port, std::string portShown, std::string productName,
                   const FlashArgs& args, bool optional, Services services)
    : port_(std::move(port)),
      args_(args),
      optional_(optional),
      services_(std::move(services)),
      flash_(std::move(link), port_, std::move(portShown), std::move(productName),
             FlashPlan{args.file, !args.noSearch, !args.noWait}, *this) {}

FlashJob::Phase FlashJob::State() const {
  if (finished_) return Phase::Done;
  if (!stopReason_.empty()) return Phase::Stopping;
  switch (flash_.State()) {
    case AdapterFlash::Stage::Idle:
      return Phase::Choose;
    case AdapterFlash::Stage::Searching:
      return Phase::Search;
    case AdapterFlash::Stage::Entering:
    case AdapterFlash::Stage::Uploading:
      return Phase::Upload;
    case AdapterFlash::Stage::Done:
      break;
  }
  return Phase::Done;
}

int FlashJob::PageCount() const {
  const AdapterFlash::Stage s = flash_.State();
  return s == AdapterFlash::Stage::Uploading || s == AdapterFlash::Stage::Done ? flash_.Updater().PageCount() : 0;
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
  if (!started_) {
    started_ = true;
    flash_.Start();
  }
  if (!finished_ && flash_.Done()) Finish();
  if (!finished_) WatchUpload(now);
  return finished_;
}

// Progress is a page the bootloader acknowledges for the first time: a bootloader that
// asks for the same page again and again, or repeats its messages, makes none. The time
// counts from the bootloader request on; Stop is pressed only on an upload that runs.
void FlashJob::WatchUpload(int64_t now) {
  const AdapterFlash::Stage s = flash_.State();
  if (s != AdapterFlash::Stage::Entering && s != AdapterFlash::Stage::Uploading) return;
  if (lastProgress_ < 0) lastProgress_ = now;
  const int acknowledged = flash_.Updater().PagesAcknowledged();
  if (s == AdapterFlash::Stage::Uploading && acknowledged > acknowledged_) {
    acknowledged_ = acknowledged;
    lastProgress_ = now;
  }
  if (s == AdapterFlash::Stage::Uploading && stopReason_.empty() && flash_.Updater().IsRunning() &&
      now - lastProgress_ >= int64_t{args_.timeoutS} * 1000) {
    stopReason_ = "no progress for " + std::to_string(args_.timeoutS) + " s";
    Note(stopReason_ + ": pressing Stop");
    flash_.Stop();
    if (flash_.Done()) Finish();
  }
}

void FlashJob::Stop(int64_t clockMs) {
  RunTime(clockMs);
  if (finished_) return;
  flash_.Stop();
  if (flash_.Done()) Finish();
}

// The ending: "Ok", or why not (the reason the job stopped it, the updater's last line
// once it had the adapter, or the message the user was shown).
void FlashJob::Finish() {
  finished_ = true;
  ok_ = flash_.Ok();
  skipped_ = !ok_ && optional_ && flash_.EndedIn() == AdapterFlash::Stage::Searching;
  std::string result = ok_ ? "Ok" : !stopReason_.empty() ? stopReason_ : flash_.Result();
  result_ = result.empty() ? (ok_ ? "Ok" : "failed") : result;
}

int FlashJob::Message(const std::string& caption, const std::string& text, int flags) {
  return services_.message ? services_.message(caption, text, flags) : mb::IdCancel;
}

void FlashJob::Identified(const AdapterSession& session) {
  if (services_.identified) services_.identified(session.Port(), session.Identity().serial);
  Note("Adapter " + session.Identity().serial + " on " + session.PortShown());
}

std::string FlashJob::Declined(const AdapterSession& session) {
  return services_.declined ? services_.declined(session) : std::string();
}

void FlashJob::Line(const std::string& line) {
  log_.push_back(line);
  if (services_.line) services_.line(*this, line, false);
}

void FlashJob::Note(const std::string& line) {
  if (services_.line) services_.line(*this, line, true);
}

}  // namespace bx::cli
