#pragma once
// One adapter's firmware upload without a window: the Update page's two exchanges (the
// search, unless "Do not Search", then the bootloader request) on a channel and a link of
// its own, then the firmware updater on that link. Its state is a session; what it shows
// goes to a listener. Several run side by side on one event loop (the command line's
// batch flash), each with its own link and its own 10 ms step timer.
#include <memory>
#include <string>

#include "firmware/Unitfwupdate.h"
#include "links/Link.h"
#include "session/AdapterChannel.h"
#include "session/AdapterSession.h"
#include "ui/Controls.h"

namespace bx {

struct FlashPlan {
  std::string file;
  bool search = true;         // false: "Do not Search", the adapter already waits in its bootloader
  bool waitForPrompt = true;  // "Wait": connect once the bootloader has prompted
  bool upload = true;         // false: the search alone (the identity after an upload)
};

// What the flash shows, as the Update page would: its message boxes, the update log
// (the upload's report), and the adapter found by the search.
class FlashListener : public UploadReport {
 public:
  // A message box ("Error..." and the like, without the application's title).
  virtual int Message(const std::string& caption, const std::string& text, int flags) = 0;
  // The search identified the adapter (its serial number and record are the session's).
  virtual void Identified(const AdapterSession& /*session*/) {}
  // After Identified: why this adapter is not to be flashed ("" to go on); the flash
  // then ends there, failed with that cause, and the adapter is never sent to its
  // bootloader.
  virtual std::string Declined(const AdapterSession& /*session*/) { return {}; }
};

class AdapterFlash {
 public:
  enum class Stage : uint8_t { Idle, Searching, Entering, Uploading, Done };

  // `link` is the flash's own, for `port` (null: the port cannot be opened); `portShown`
  // names it in messages; `productName` names the adapter in the not-found message.
  AdapterFlash(std::unique_ptr<Link> link, std::string port, std::string portShown, std::string productName,
               FlashPlan plan, FlashListener& listener);
  ~AdapterFlash();
  AdapterFlash(const AdapterFlash&) = delete;
  AdapterFlash& operator=(const AdapterFlash&) = delete;

  // Checks the file (a message and the end when it cannot be uploaded) and begins.
  void Start();
  // The user's Stop: a running upload is cancelled (the updater says so), anything
  // before it ends at once.
  void Stop();

  Stage State() const { return stage_; }
  // The stage the flash was at when it ended (Done before it has).
  Stage EndedIn() const { return endedIn_; }
  bool Done() const { return stage_ == Stage::Done; }
  const AdapterSession& Session() const { return session_; }
  const FirmwareUpdater& Updater() const { return updater_; }
  // Whether the link went to the updater: the adapter was then in its bootloader or on
  // its way there.
  bool HandedToUpdater() const { return handed_; }
  // The ending: ok, or failed with the cause the user was shown.
  bool Ok() const;
  std::string Result() const;

  static constexpr int kStepMs = 10;

 private:
  class Report;

  void Tick();
  void Step();
  void BeginExchange(Stage stage);
  void Opened();
  void SendInfo();
  void InfoReceived();
  void BootloaderReplied();
  void StartUpload();
  void NotFound();
  void Fail(const std::string& message);
  void End(bool ok, const std::string& cause);
  void UploadEnded(bool ok);
  std::string Command(const char* suffix) const;

  std::unique_ptr<Link> link_;
  std::string port_, portShown_, productName_;
  FlashPlan plan_;
  FlashListener& listener_;
  std::unique_ptr<Report> report_;
  AdapterSession session_;
  AdapterChannel channel_;
  FirmwareUpdater updater_;  // after the link and the report: stopped before they go
  ui::TTimer timer_{"tmrFlash", kStepMs, false};
  Stage stage_ = Stage::Idle;
  Stage endedIn_ = Stage::Done;
  bool opened_ = false;  // the channel's open of this exchange has ended
  bool awaiting_ = false;
  int attempt_ = -1;
  bool handed_ = false;
};

const char* StageName(AdapterFlash::Stage s);

}  // namespace bx
