#pragma once
// One adapter's firmware upload, as the Update page runs it but without a window: a
// session of its own (AdapterFlash) on a link of its own, Search first (unless "Do not
// Search"), then the bootloader, and Stop when the upload makes no progress for the
// timeout. Several jobs share one event loop, so a batch of adapters is flashed at the
// same time from one process. Every call comes from the main thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "flash/AdapterFlash.h"

namespace bx::cli {

struct FlashArgs {
  std::string file;
  bool noSearch = false;
  bool noWait = false;
  bool all = false;  // every listed serial port that answers a search
  int timeoutS = 30;
  bool verbose = false;  // one adapter on a terminal: every log line, not only the result
  // The station: watch the ports and flash each adapter that appears.
  bool watch = false;
  bool onlyNew = false;  // leave the ports present at the start alone
  bool again = false;    // flash an adapter again that was flashed in this run
  std::string report;    // JSON Lines file, one line appended per adapter
};

// "FILE [--no-search] [--no-wait] [--all] [--timeout S] [--watch [--only-new] [--again]
// [--report FILE]]"; false with the reason.
bool ParseFlashArgs(const std::vector<std::string>& args, FlashArgs& a, std::string& error);

class FlashJob : private FlashListener {
 public:
  enum class Phase { Choose, Search, Upload, Stopping, Done };

  // What the job needs of the command: the messages it shows go to `message` (the
  // terminal's dialogs), the adapter a search found to `identified` (the recent ports).
  struct Services {
    std::function<int(const std::string& caption, const std::string& text, int flags)> message;
    std::function<void(const std::string& port, const std::string& serial)> identified;
    // Why the adapter the search found is not to be flashed ("" or unset: flash it).
    std::function<std::string(const AdapterSession& session)> declined;
    // New lines of the update log and the job's own notes, each once, in order.
    std::function<void(FlashJob& job, const std::string& line, bool note)> line;
  };

  // `link`: the job's own link for `port` (null when no link serves the name);
  // `portShown`: the port as the port list shows it. `optional`: a port tried by --all;
  // one where no adapter answers the search is left out rather than failed.
  FlashJob(std::unique_ptr<Link> link, std::string port, std::string portShown, std::string productName,
           const FlashArgs& args, bool optional, Services services);

  // Advances the job at `clockMs` of the event loop's clock; true once it has ended. The
  // job's time-outs count the time the process ran, not the clock's jumps across a stop.
  bool Step(int64_t clockMs);
  // The user's Stop (a termination signal): an upload is cancelled; a job that has not
  // started one ends.
  void Stop(int64_t clockMs);

  // The most one step of the job adds to its time.
  static constexpr int64_t kMaxStepMs = 250;

  const std::string& Port() const { return port_; }
  std::string Serial() const { return flash_.Session().Identity().serial; }
  Phase State() const;
  bool Ok() const { return ok_; }
  bool Skipped() const { return skipped_; }  // optional, and no adapter answered
  // "Ok", or the last status line or reason of the failure.
  const std::string& Result() const { return result_; }
  // Pages acknowledged so far and the pages of the image (0 before the header reply).
  int Position() const { return flash_.Updater().ProgressShown(); }
  int PageCount() const;
  const std::vector<std::string>& Log() const { return log_; }
  const AdapterSession& Session() const { return flash_.Session(); }

 private:
  // FlashListener
  int Message(const std::string& caption, const std::string& text, int flags) override;
  void Identified(const AdapterSession& session) override;
  std::string Declined(const AdapterSession& session) override;
  void Line(const std::string& line) override;

  int64_t RunTime(int64_t clockMs);
  void WatchUpload(int64_t now);
  void Finish();
  void Note(const std::string& line);

  std::string port_;
  FlashArgs args_;
  bool optional_;
  Services services_;
  AdapterFlash flash_;
  bool started_ = false, finished_ = false;
  bool ok_ = false, skipped_ = false;
  std::string result_;
  std::string stopReason_;  // why the job pressed Stop itself
  int64_t lastClockMs_ = -1;
  int64_t ranMs_ = 0;  // the process's running time since the first step
  int64_t lastProgress_ = -1;
  int acknowledged_ = 0;
  std::vector<std::string> log_;
};

}  // namespace bx::cli
