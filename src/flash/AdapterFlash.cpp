#include "flash/AdapterFlash.h"

#include <filesystem>

#include "core/Bytes.h"
#include "core/Protocol.h"
#include "firmware/FirmwareImage.h"
#include "platform/Services.h"

namespace bx {

const char* StageName(AdapterFlash::Stage s) {
  switch (s) {
    case AdapterFlash::Stage::Idle:
      return "idle";
    case AdapterFlash::Stage::Searching:
      return "searching";
    case AdapterFlash::Stage::Entering:
      return "entering the bootloader";
    case AdapterFlash::Stage::Uploading:
      return "uploading";
    case AdapterFlash::Stage::Done:
      return "done";
  }
  return "?";
}

// The updater's report goes to the listener; its end, to the flash.
class AdapterFlash::Report : public UploadReport {
 public:
  explicit Report(AdapterFlash& flash) : flash_(flash) {}
  void Line(const std::string& line) override { flash_.listener_.Line(line); }
  void StatusCleared() override { flash_.listener_.StatusCleared(); }
  void Pages(int count) override {
    flash_.session_.Progress(flash_.updater_.PagesAcknowledged(), count);
    flash_.listener_.Pages(count);
  }
  void Progress(int page) override {
    flash_.session_.Progress(flash_.updater_.PagesAcknowledged(), flash_.updater_.PageCount());
    flash_.listener_.Progress(page);
  }
  void Ended(bool ok) override { flash_.UploadEnded(ok); }

 private:
  AdapterFlash& flash_;
};

AdapterFlash::AdapterFlash(std::unique_ptr<Link> link, std::string port, std::string portShown,
                           std::string productName, FlashPlan plan, FlashListener& listener)
    : link_(std::move(link)),
      port_(std::move(port)),
      portShown_(std::move(portShown)),
      productName_(std::move(productName)),
      plan_(std::move(plan)),
      listener_(listener),
      report_(std::make_unique<Report>(*this)) {
  timer_.OnTimer = [this] { Tick(); };
  session_.SetPort(port_);
}

AdapterFlash::~AdapterFlash() {
  timer_.SetEnabled(false);
  channel_.Drop();
}

std::string AdapterFlash::Command(const char* suffix) const { return std::string(proto::kCommandPrefix) + suffix; }

bool AdapterFlash::Ok() const {
  const auto& r = session_.LastResult();
  return Done() && r && r->ok;
}

std::string AdapterFlash::Result() const {
  const auto& r = session_.LastResult();
  if (!Done() || !r) return {};
  return r->ok ? "Ok" : r->cause;
}

// A file that no bootloader could take is refused before the adapter is sent to its
// bootloader, where it would wait for an upload that never begins.
void AdapterFlash::Start() {
  if (stage_ != Stage::Idle) return;
  if (!plan_.upload) {
    session_.Begin(SessionPhase::Searching, SessionPhase::Searching);
    BeginExchange(Stage::Searching);
    return;
  }
  session_.Begin(SessionPhase::Uploading, plan_.search ? SessionPhase::Searching : SessionPhase::Uploading);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(plan_.file, ec)) {
    const std::string path = std::filesystem::absolute(plan_.file, ec).string();
    Fail("Firware file \"" + path + "\" is not found.");
    return;
  }
  if (const FirmwareLoad loaded = CheckFirmwareFile(plan_.file); loaded != FirmwareLoad::Ok) {
    const std::string text = FirmwareLoadMessage(loaded, plan_.file);
    listener_.Message(FirmwareUpdater::kFileCaption, text, mb::Ok | mb::IconError);
    End(false, text);
    return;
  }
  BeginExchange(plan_.search ? Stage::Searching : Stage::Entering);
}

// Each exchange opens the port afresh and closes it at its end, as the window's do.
void AdapterFlash::BeginExchange(Stage stage) {
  stage_ = stage;
  opened_ = awaiting_ = false;
  attempt_ = -1;
  channel_.ClearReceived();
  if (!channel_.Open(link_.get(), port_, false)) {
    Fail("Can't open Communication Port " + portShown_);
    return;
  }
  timer_.SetInterval(kStepMs);
  timer_.SetEnabled(true);
}

void AdapterFlash::Tick() {
  timer_.SetEnabled(false);
  channel_.Receive();
  Step();
  if (!Done() && stage_ != Stage::Uploading) timer_.SetEnabled(true);
}

void AdapterFlash::Step() {
  if (!opened_) {
    if (channel_.Opening()) return;
    channel_.JoinOpener();
    opened_ = true;
    Opened();
    return;
  }
  if (!awaiting_) return;
  switch (channel_.Step({})) {
    case AdapterChannel::Await::Writing:
    case AdapterChannel::Await::Waiting:
      return;
    case AdapterChannel::Await::Frame:
      awaiting_ = false;
      if (stage_ == Stage::Searching)
        InfoReceived();
      else
        BootloaderReplied();
      return;
    case AdapterChannel::Await::Silent:
      awaiting_ = false;
      if (stage_ == Stage::Searching)
        SendInfo();
      else
        NotFound();
      return;
  }
}

void AdapterFlash::Opened() {
  if (!channel_.IsOpen()) {
    const std::string reason = link_ ? link_->OpenFailureText() : std::string();
    Fail("Can't open Communication Port " + portShown_ + (reason.empty() ? "" : " (" + reason + ")"));
    return;
  }
  channel_.ClearReceived();
  if (stage_ == Stage::Searching) {
    session_.ClearIdentity();
    SendInfo();
  } else if (plan_.search) {
    channel_.Send(Command("U"));
    awaiting_ = true;
  } else {
    StartUpload();
  }
}

// The identity is asked for up to four times.
void AdapterFlash::SendInfo() {
  if (++attempt_ >= 4) {
    NotFound();
    return;
  }
  channel_.Send(Command("I"));
  awaiting_ = true;
}

void AdapterFlash::InfoReceived() {
  session_.TakeRecord(ReadIdentity(CrLfLines(channel_.Body() + "\r\n")));
  channel_.Close();
  if (!session_.Identified()) {
    End(false, "no adapter answered");
    return;
  }
  session_.ShowPort(portShown_);
  listener_.Identified(session_);
  if (!plan_.upload) {
    End(true, {});
    return;
  }
  if (const std::string why = listener_.Declined(session_); !why.empty()) {
    End(false, why);
    return;
  }
  BeginExchange(Stage::Entering);
}

// What is left in the buffer after the reply frame is the adapter's answer to entering
// its bootloader; an "ERROR" there ends the update.
void AdapterFlash::BootloaderReplied() {
  if (Contains(channel_.Received(), "ERROR")) {
    listener_.Line(channel_.Received());
    End(false, "the adapter refused to start its bootloader");
    return;
  }
  StartUpload();
}

void AdapterFlash::StartUpload() {
  channel_.SetReading(false);
  handed_ = true;
  stage_ = Stage::Uploading;
  session_.EnterPhase(SessionPhase::Uploading);
  auto owner = [this](const std::string& caption, const std::string& text, int flags) {
    return listener_.Message(caption, text, flags);
  };
  if (!updater_.Start(owner, *link_, plan_.file, *report_, plan_.waitForPrompt)) {
    channel_.Close();
    listener_.Line(kBootloaderHint);
    End(false, "the upload did not begin");
  }
}

void AdapterFlash::NotFound() {
  Fail(productName_ + " Adapter is not found on Communication Port " + portShown_);
}

// An ending the window would show in an error box: shown the same way, and the cause.
void AdapterFlash::Fail(const std::string& message) {
  listener_.Message("Error...", message, mb::IconError);
  End(false, message);
}

// An upload that was cancelled or failed leaves the adapter in its bootloader: it answers
// no adapter command until a reset.
void AdapterFlash::UploadEnded(bool ok) {
  if (Done()) return;
  std::string cause = updater_.EndLine();
  if (!ok && cause.empty()) cause = "the upload did not begin";
  if (!ok) listener_.Line(kBootloaderHint);
  End(ok, ok ? std::string() : cause);
}

void AdapterFlash::Stop() {
  if (Done()) return;
  if (stage_ == Stage::Uploading && updater_.IsRunning()) {
    updater_.Cancel();
    return;
  }
  End(false, "stopped");
}

void AdapterFlash::End(bool ok, const std::string& cause) {
  timer_.SetEnabled(false);
  channel_.Drop();
  endedIn_ = stage_;
  stage_ = Stage::Done;
  session_.End(ok, cause);
  listener_.Ended(ok);
}

}  // namespace bx
