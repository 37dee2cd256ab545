#pragma once
// One adapter's firmware upload on its own window model, as the Update page runs it:
// the port chosen in cbCOM, Search first (unless "Do not Search"), the options ticked,
// Run, and Stop when the upload makes no progress for the timeout. Several jobs share
// one event loop, so a batch of adapters is flashed at the same time from one process.
// Every call comes from the main thread.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace bx {
class TfrmMain;
}

namespace bx::cli {

struct FlashArgs {
  std::string file;
  bool noSearch = false;
  bool noWait = false;
  bool all = false;  // every listed serial port that answers a search
  int timeoutS = 30;
};

// "FILE [--no-search] [--no-wait] [--all] [--timeout S]"; false with the reason.
bool ParseFlashArgs(const std::vector<std::string>& args, FlashArgs& a, std::string& error);

class FlashJob {
 public:
  enum class Phase { Choose, Search, Upload, Stopping, Done };

  // `optional`: a port tried by --all; one where no adapter answers the search is left
  // out rather than failed.
  FlashJob(TfrmMain& form, std::string port, const FlashArgs& args, bool optional);

  // Advances the job at `clockMs` of the event loop's clock; true once it has ended. The
  // job's time-outs count the time the process ran, not the clock's jumps across a stop.
  bool Step(int64_t clockMs);
  // The user's Stop (a termination signal): an upload is cancelled; a job that has not
  // started one ends.
  void Stop(int64_t clockMs);

  // The most one step of the job adds to its time.
  static constexpr int64_t kMaxStepMs = 250;

  // New lines of the update log and the job's own notes, each once, in order.
  std::function<void(FlashJob& job, const std::string& line, bool note)> onLine;

  const std::string& Port() const { return port_; }
  std::string Serial() const;
  Phase State() const { return phase_; }
  bool Ok() const { return ok_; }
  bool Skipped() const { return skipped_; }  // optional, and no adapter answered
  // "Ok", or the last status line or reason of the failure.
  const std::string& Result() const { return result_; }
  // Pages acknowledged so far and the pages of the image (0 before the header reply).
  int Position() const;
  int PageCount() const;
  const std::vector<std::string>& Log() const { return log_; }
  // The text of the last error message box of this job's window.
  std::string lastMessage;

 private:
  int64_t RunTime(int64_t clockMs);
  void Choose(int64_t now);
  void SearchEnded(int64_t now);
  void StartUpload(int64_t now);
  void WatchUpload(int64_t now);
  void PressStop(int64_t now);
  void End(bool ok, const std::string& result);
  std::string UploadCause(const std::string& otherwise) const;
  void TakeLog();
  void Note(const std::string& line);

  TfrmMain& f_;
  std::string port_;
  FlashArgs args_;
  bool optional_;
  Phase phase_ = Phase::Choose;
  bool ok_ = false, skipped_ = false, looked_ = false;
  std::string result_;
  std::string stopReason_;  // why the job pressed Stop itself
  int64_t lastClockMs_ = -1;
  int64_t ranMs_ = 0;  // the process's running time since the first step
  int64_t phaseSince_ = -1;
  int64_t lastProgress_ = 0;
  int acknowledged_ = 0;
  std::size_t logBytes_ = 0;  // of memUpdate's text, already taken as lines
  uint64_t logRevision_ = 0;  // memUpdate's revision when it was last taken
  std::vector<std::string> log_;
};

}  // namespace bx::cli
