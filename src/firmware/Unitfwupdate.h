#pragma once
// The firmware updater: sends a firmware image to the adapter's bootloader over the link
// that is already in use. The bootloader leads: it asks for pages by number and the
// updater answers each request; it never sends a page unasked and never resends one by
// itself. Runs on the main thread, driven by its own poll timer (100 ms first, then every
// 10 ms) and, with wake-on-data, by a tick posted as soon as the link receives bytes, so
// that a page leaves as soon as its request is in rather than at the next poll.
//
// It reports through an UploadReport it is given at start: every line (the last one is
// the status line), the page count and the pages acknowledged, and once, after its last
// line, that the upload is over. The Update page shows these in its progress bar, status
// edit and log (ControlsReport); the command line's batch flash keeps them. An adapter
// that hangs up (the port vanishes, the peer closes or resets the connection) ends the
// upload with the error line of the step it was at and the reason, "Writing Page #7 :
// Error (the adapter hung up)", once every byte it sent before has been answered.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Bytes.h"
#include "firmware/BootReply.h"
#include "firmware/FirmwareImage.h"
#include "links/Link.h"
#include "ui/Controls.h"

namespace bx {

enum class UpdaterState : uint8_t { Idle, WaitPrompt, Connecting, SendHeader, SendExtension, WaitPageRequest };

// What an upload tells as it goes. Main thread only, from inside the updater's steps.
class UploadReport {
 public:
  virtual ~UploadReport() = default;
  // A line of the update log; the last one is also the status line.
  virtual void Line(const std::string& line) = 0;
  // The status line goes empty (a new upload begins, or one stops without a line).
  virtual void StatusCleared() {}
  // The bootloader's header reply gave the image this many pages.
  virtual void Pages(int /*count*/) {}
  // The page the progress stands at: the last one acknowledged, all of them at the end.
  virtual void Progress(int /*page*/) {}
  // Once for every upload that began, after its last line, when the updater has let go
  // of the link: `ok` after the bootloader's "Ok". Announced from the updater's own
  // step (or from Cancel), so the updater may be started again from here.
  virtual void Ended(bool /*ok*/) {}
};

// The Update page's three controls as the report: a progress bar (pages acknowledged),
// a status edit (the last line) and a log memo (every line).
class ControlsReport : public UploadReport {
 public:
  ControlsReport(ui::TProgressBar& progress, ui::TEdit& status, ui::TMemo& log)
      : progress_(progress), status_(status), log_(log) {}
  void Line(const std::string& line) override;
  void StatusCleared() override;
  void Pages(int count) override;
  void Progress(int page) override;

 private:
  ui::TProgressBar& progress_;
  ui::TEdit& status_;
  ui::TMemo& log_;
};

class FirmwareUpdater {
 public:
  // Shows a message box for the owner window: the owner puts its application title and
  // " - " before the short caption. Returns the button pressed (mb::Id*).
  using MessageBoxFn = std::function<int(const std::string& shortCaption, const std::string& text, int flags)>;

  static constexpr const char* kFileCaption = "Open Firware file...";
  static constexpr int kFirstPollMs = 100;
  static constexpr int kPollMs = 10;
  // Poll ticks without a message, after the header has left, before the bootloader is
  // taken to expect the extension block.
  static constexpr int kHeaderGraceTicks = 5;
  // Negative acknowledgements in a row that are tolerated; one more ends the upload.
  static constexpr int kNakLimit = 3;

  FirmwareUpdater() = default;
  // A running upload is stopped (the link closed); the link must still exist then.
  ~FirmwareUpdater();
  FirmwareUpdater(const FirmwareUpdater&) = delete;
  FirmwareUpdater& operator=(const FirmwareUpdater&) = delete;

  // Begins an upload of `fileName` over `link` (opened here if it is not open yet) and
  // returns true, or returns false when it could not begin: a refused file (after a
  // message through `owner`) or a link that would not open (no message). The link and the
  // report must outlive the upload. With `waitForPrompt` the updater first waits for the
  // bootloader's ">" before it connects. Needs the current event loop for its timer. A
  // Start while an upload runs cancels that upload first.
  bool Start(MessageBoxFn owner, Link& link, const std::string& fileName, UploadReport& report, bool waitForPrompt);
  // The same, reporting into three controls.
  bool Start(MessageBoxFn owner, Link& link, const std::string& fileName, ui::TProgressBar& progress, ui::TEdit& status,
             ui::TMemo& log, bool waitForPrompt);
  bool IsRunning() const { return running_; }
  // Whether the last Start began an upload that ended with the bootloader's "Ok".
  bool Succeeded() const { return succeeded_; }
  // The line the last upload ended with, as the status edit shows it ("Updating firmware :
  // Ok", the reason it stopped, or empty when it stopped without one).
  const std::string& EndLine() const { return statusLine_; }
  // The user's Stop: logs "Firmware Update canceled..." and stops; nothing when idle.
  void Cancel();

  // Wake-on-data (on by default) answers as soon as the link has received bytes; off, the
  // updater only looks at the link on its poll timer. Taken at Start.
  void SetWakeOnData(bool on) { wakeOnData_ = on; }
  bool WakeOnData() const { return wakeOnData_; }

  // For the page, the CLI and tests.
  UpdaterState State() const { return state_; }
  const std::string& FileName() const { return fileName_; }
  int PageSize() const { return pageSize_; }
  int PageCount() const { return pageCount_; }
  int CurrentPage() const { return currentPage_; }
  int NakCount() const { return nakCount_; }
  // Pages acknowledged for the first time in this upload: a page the bootloader asks for
  // again and acknowledges again is no progress.
  int PagesAcknowledged() const { return firstAcks_; }
  // Where the progress bar stands: the last page acknowledged, all of them at the end.
  int ProgressShown() const { return shownPage_; }
  const FirmwareImage& Image() const { return image_; }

 private:
  // Shared with the link's data notify, which runs on the receive thread: that side only
  // touches `pending`; `updater` is read and cleared on the main thread only.
  struct WakeToken {
    std::atomic<bool> pending{false};
    FirmwareUpdater* updater = nullptr;
  };

  void TimerTick();
  void Step(bool timerTick);
  void Poll(bool timerTick);
  void RegisterWake();
  void ProcessReply();
  void HeaderReplied();
  void PageRequested(uint16_t page);
  void PageAcknowledged(uint16_t page);
  void PageRefused();
  void EnterState(UpdaterState state);
  void StopWith(const std::string& line);
  std::string HangUpLine() const;
  void Halt();
  void AnnounceEnd();
  void LogLine(const std::string& line);
  void ShowProgress(int page);
  void Send(const Bytes& frame);

  MessageBoxFn owner_;
  std::string fileName_;
  std::string statusLine_;
  int shownPage_ = 0;
  bool running_ = false;
  bool succeeded_ = false;
  bool waitForPrompt_ = false;
  bool wakeOnData_ = true;
  UploadReport* report_ = nullptr;
  std::unique_ptr<ControlsReport> controls_;  // the report of the controls' Start
  bool endPending_ = false;                    // stopped: Ended is announced as the step returns
  Link* link_ = nullptr;
  FirmwareImage image_;
  int headerGrace_ = 0;
  std::unique_ptr<ui::TTimer> timer_;
  // A timer stopped from inside its own handler is kept until the handler has returned.
  std::unique_ptr<ui::TTimer> retiredTimer_;
  bool inTimer_ = false;
  std::shared_ptr<WakeToken> wake_;
  UpdaterState state_ = UpdaterState::Idle;
  int pageSize_ = 0;
  int pageCount_ = 0;
  int currentPage_ = 0;             // last page requested or acknowledged; 0xFFFF after the end frame
  bool requested_ = false;          // a page or the end has been asked for in this upload
  int nakCount_ = 0;                // negative acknowledgements since the last positive one
  int requestsSinceProgress_ = 0;   // page requests since a page was first acknowledged
  std::vector<bool> acknowledged_;  // per page: acknowledged at least once
  int firstAcks_ = 0;
  boot::ReplySplitter received_;
  Bytes reply_;  // the message being processed
};

}  // namespace bx
