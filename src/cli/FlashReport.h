#pragma once
// What flash prints while its jobs run. One adapter: the update log as it grows; on a
// terminal a progress line with the log's last line instead, and the result at the end. Several: on a terminal one
// progress line per adapter, redrawn in place; otherwise each log line with its port before it; at the end a summary
// line per adapter. With --json nothing until the document.
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace bx::cli {

class FlashJob;

class FlashReport {
 public:
  virtual ~FlashReport() = default;
  // A new line of a job's update log, or a note of the command about it (`note`).
  virtual void Line(FlashJob& job, const std::string& line, bool note) = 0;
  // Called after every dispatch; redraws what moved.
  virtual void Tick(int64_t nowMs) = 0;
  // The jobs have ended (or been given up): clears what Tick drew, prints the summary.
  virtual void End() = 0;
};

// `terminal`: standard output is a terminal. `jobs` outlive the report.
// `verbose`: on a terminal too, every line of the update log.
std::unique_ptr<FlashReport> MakeSingleReport(const FlashJob& job, std::ostream& out, std::ostream& err, bool terminal,
                                              bool verbose);
std::unique_ptr<FlashReport> MakeBatchReport(const std::vector<FlashJob*>& jobs, std::ostream& out, std::ostream& err,
                                             bool terminal);
std::unique_ptr<FlashReport> MakeSilentReport();

// "[#####.....] 45% 123/272", or "" before the page count is known.
std::string ProgressText(int position, int max, int width);

}  // namespace bx::cli
