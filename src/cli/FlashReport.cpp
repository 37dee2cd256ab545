#include "cli/FlashReport.h"

#include <algorithm>
#include <ostream>

#include "cli/FlashJob.h"
#include "cli/Shown.h"
#include "session/AdapterChannel.h"

namespace bx::cli {

namespace {

// A terminal is redrawn at most this often: the bar is for a person, and each redraw
// costs a write.
constexpr int64_t kRedrawMs = 100;
constexpr int kBarWidth = 40;

// On a terminal, unless verbose: the update log's lines are not printed one by one but
// shown on the progress line, and at the end the last of them (the result, and the hint
// after a failed upload) stays. Otherwise every line, with the bar under them.
class SingleReport : public FlashReport {
 public:
  SingleReport(const FlashJob& job, std::ostream& out, std::ostream& err, bool terminal, bool verbose)
      : job_(job), out_(out), err_(err), bar_(terminal), quiet_(terminal && !verbose) {}
  void Line(FlashJob&, const std::string& line, bool note) override {
    if (quiet_ && !note) {
      previous_ = std::move(last_);
      last_ = line;
      dirty_ = true;
      return;
    }
    ClearBar();
    (note && line.rfind("Adapter ", 0) != 0 ? err_ << "brevantix-cli: " : out_) << ShownLine(line) << "\n";
    dirty_ = true;
  }
  void Tick(int64_t now) override {
    if (!bar_) {
      if (dirty_) out_.flush();
      dirty_ = false;
      return;
    }
    const int position = job_.Position();
    if (!dirty_ && position == drawnPosition_) return;
    if (now - drawnAt_ < kRedrawMs) return;
    drawnAt_ = now;
    dirty_ = false;
    ClearBar();
    std::string text;
    if (job_.State() == FlashJob::Phase::Upload && job_.PageCount() > 0)
      text = ProgressText(position, job_.PageCount(), kBarWidth);
    if (quiet_ && !last_.empty()) text += (text.empty() ? "" : "  ") + ShownLine(last_).substr(0, kStatusWidth);
    if (!text.empty()) {
      out_ << "\r" << text;
      drawn_ = true;
      drawnPosition_ = position;
    }
    out_.flush();
  }
  void End() override {
    ClearBar();
    if (quiet_) {
      // A failed upload's last line is the hint; the line before it says what failed.
      if (last_ == kBootloaderHint && !previous_.empty()) out_ << ShownLine(previous_) << "\n";
      if (!last_.empty()) out_ << ShownLine(last_) << "\n";
    }
    out_.flush();
  }

 private:
  static constexpr std::size_t kStatusWidth = 30;
  void ClearBar() {
    if (!drawn_) return;
    out_ << "\r\033[K";
    drawn_ = false;
  }
  const FlashJob& job_;
  std::ostream& out_;
  std::ostream& err_;
  bool bar_, quiet_;
  bool drawn_ = false, dirty_ = false;
  int drawnPosition_ = -1;
  int64_t drawnAt_ = -kRedrawMs;
  std::string last_, previous_;  // the update log's last two lines
};

class BatchReport : public FlashReport {
 public:
  BatchReport(std::vector<FlashJob*> jobs, std::ostream& out, std::ostream& err, bool terminal)
      : jobs_(std::move(jobs)), out_(out), err_(err), terminal_(terminal), last_(jobs_.size()) {}
  void Line(FlashJob& job, const std::string& line, bool note) override {
    const std::size_t i = Index(job);
    if (i < last_.size()) last_[i] = line;
    if (!terminal_) (note ? err_ : out_) << Shown(job.Port()) << ": " << ShownLine(line) << "\n";
    dirty_ = true;
  }
  void Tick(int64_t now) override {
    if (!dirty_ && !terminal_) return;
    if (!terminal_) {
      out_.flush();
      err_.flush();
      dirty_ = false;
      return;
    }
    if (now - drawnAt_ < kRedrawMs) return;
    drawnAt_ = now;
    dirty_ = false;
    Draw();
  }
  void End() override {
    if (terminal_) Draw();
    out_ << "\n";
    for (const FlashJob* j : jobs_) {
      if (j->Skipped()) continue;
      out_ << Shown(j->Port()) << "\t" << (j->Serial().empty() ? "-" : Shown(j->Serial())) << "\t"
           << (j->Ok() ? "Ok" : "Failed: " + Shown(j->Result())) << "\n";
    }
    out_.flush();
  }

 private:
  std::size_t Index(const FlashJob& job) const {
    return static_cast<std::size_t>(std::find(jobs_.begin(), jobs_.end(), &job) - jobs_.begin());
  }
  // One line per adapter; after the first drawing the cursor goes back up over them.
  void Draw() {
    if (drawn_) out_ << "\033[" << jobs_.size() << "A";
    for (std::size_t i = 0; i < jobs_.size(); ++i) {
      const FlashJob& j = *jobs_[i];
      std::string bar = ProgressText(j.Position(), j.PageCount(), 20);
      if (j.State() == FlashJob::Phase::Done) bar = j.Skipped() ? "no adapter" : j.Ok() ? "Ok" : "Failed";
      out_ << "\r\033[K" << Shown(j.Port()) << "  " << (j.Serial().empty() ? "-" : Shown(j.Serial())) << "  " << bar
           << "  " << ShownLine(last_[i]) << "\n";
    }
    drawn_ = true;
    out_.flush();
  }
  std::vector<FlashJob*> jobs_;
  std::ostream& out_;
  std::ostream& err_;
  bool terminal_;
  std::vector<std::string> last_;
  bool drawn_ = false, dirty_ = false;
  int64_t drawnAt_ = -kRedrawMs;
};

class SilentReport : public FlashReport {
 public:
  void Line(FlashJob&, const std::string&, bool) override {}
  void Tick(int64_t) override {}
  void End() override {}
};

}  // namespace

std::string ProgressText(int position, int max, int width) {
  if (max <= 0) return {};
  position = std::clamp(position, 0, max);
  const int filled = position * width / max;
  return "[" + std::string(static_cast<std::size_t>(filled), '#') +
         std::string(static_cast<std::size_t>(width - filled), '.') + "] " + std::to_string(position * 100 / max) +
         "% " + std::to_string(position) + "/" + std::to_string(max);
}

std::unique_ptr<FlashReport> MakeSingleReport(const FlashJob& job, std::ostream& out, std::ostream& err, bool terminal,
                                              bool verbose) {
  return std::make_unique<SingleReport>(job, out, err, terminal, verbose);
}

std::unique_ptr<FlashReport> MakeBatchReport(const std::vector<FlashJob*>& jobs, std::ostream& out, std::ostream& err,
                                             bool terminal) {
  return std::make_unique<BatchReport>(jobs, out, err, terminal);
}

std::unique_ptr<FlashReport> MakeSilentReport() { return std::make_unique<SilentReport>(); }

}  // namespace bx::cli
