#include "firmware/Unitfwupdate.h"

#include "platform/Services.h"
#include "ui/EventLoop.h"

namespace bx {

FirmwareUpdater::~FirmwareUpdater() {
  if (running_) Halt();
}

void ControlsReport::Line(const std::string& line) {
  status_.SetText(line);
  log_.AddLine(line);
}

void ControlsReport::StatusCleared() { status_.SetText({}); }
void ControlsReport::Pages(int count) { progress_.SetMax(count); }
void ControlsReport::Progress(int page) { progress_.SetPosition(page); }

bool FirmwareUpdater::Start(MessageBoxFn owner, Link& link, const std::string& fileName, ui::TProgressBar& progress,
                            ui::TEdit& status, ui::TMemo& log, bool waitForPrompt) {
  if (running_) Cancel();
  controls_ = std::make_unique<ControlsReport>(progress, status, log);
  return Start(std::move(owner), link, fileName, *controls_, waitForPrompt);
}

bool FirmwareUpdater::Start(MessageBoxFn owner, Link& link, const std::string& fileName, UploadReport& report,
                            bool waitForPrompt) {
  if (running_) Cancel();
  endPending_ = false;
  succeeded_ = false;
  statusLine_.clear();
  shownPage_ = 0;
  retiredTimer_.reset();
  owner_ = std::move(owner);
  fileName_ = fileName;

  FirmwareImage image;
  const FirmwareLoad loaded = LoadFirmwareImage(fileName_, image);
  if (loaded != FirmwareLoad::Ok) {
    if (owner_) owner_(kFileCaption, FirmwareLoadMessage(loaded, fileName_), mb::Ok | mb::IconError);
    return false;
  }
  image_ = std::move(image);

  link_ = &link;
  if (!link_->IsOpen()) link_->Open();
  if (!link_->IsOpen()) return false;

  waitForPrompt_ = waitForPrompt;
  running_ = true;
  timer_ = std::make_unique<ui::TTimer>("tmrFwUpdate", kFirstPollMs, false);
  timer_->OnTimer = [this] { TimerTick(); };
  report_ = &report;
  // Whatever is left of an earlier upload belongs to a link session that has been closed.
  received_.Clear();
  currentPage_ = 0;
  requested_ = false;
  nakCount_ = 0;
  requestsSinceProgress_ = 0;
  acknowledged_.clear();
  firstAcks_ = 0;
  // Before the first byte goes out, so that no answer can slip past the wake.
  RegisterWake();
  EnterState(waitForPrompt_ ? UpdaterState::WaitPrompt : UpdaterState::Connecting);
  if (running_) timer_->SetEnabled(true);
  return true;
}

void FirmwareUpdater::Cancel() {
  if (!running_) return;
  LogLine("Firmware Update canceled...");
  Halt();
  AnnounceEnd();
}

// The end is told once the step that stopped the upload has done all it does.
void FirmwareUpdater::AnnounceEnd() {
  endPending_ = false;
  if (report_) report_->Ended(succeeded_);
}

void FirmwareUpdater::RegisterWake() {
  ui::EventLoop* loop = ui::EventLoop::Current();
  if (!wakeOnData_ || !loop) return;
  wake_ = std::make_shared<WakeToken>();
  wake_->updater = this;
  // The receive thread may only post; one posted wake at a time is enough, since each one
  // takes every byte that has arrived.
  link_->SetDataNotify([token = wake_, loop] {
    if (token->pending.exchange(true)) return;
    loop->Post([token] {
      token->pending.store(false);
      if (token->updater) token->updater->Step(false);
    });
  });
}

void FirmwareUpdater::TimerTick() {
  timer_->SetEnabled(false);
  inTimer_ = true;
  struct Leave {
    bool& flag;
    ~Leave() { flag = false; }
  } leave{inTimer_};
  Step(true);
}

// A step that fails (a report control's handler, the link) ends the upload the ordinary
// way: stopped, the link closed, so the exchange gives the window back at its next step.
// The error itself is shown once, by the handler's exception display.
void FirmwareUpdater::Step(bool timerTick) {
  try {
    Poll(timerTick);
  } catch (...) {
    if (running_) {
      state_ = UpdaterState::Idle;
      Halt();
      endPending_ = true;
    }
    if (endPending_) AnnounceEnd();
    throw;
  }
  if (endPending_) AnnounceEnd();
}

// One look at the link: take what has arrived and answer every whole message. Only the
// poll timer's ticks count down the header grace and rearm the timer; a wake must not
// shorten the grace the bootloader is given.
void FirmwareUpdater::Poll(bool timerTick) {
  if (!running_ || !link_->IsOpen()) return;  // a closed link stops the polling
  // Asked before the read, so that every byte sent before a hang-up is answered first:
  // a bootloader may acknowledge the end frame and then drop the line.
  const bool hungUp = link_->HungUp();
  if (link_->BytesAvailable() > 0) {
    Bytes bytes;
    link_->ReadAvailable(bytes);
    received_.Append(bytes);
  }
  bool answered = false;
  while (running_ && state_ != UpdaterState::Idle && received_.Next(reply_)) {
    answered = true;
    ProcessReply();
  }
  if (running_ && hungUp) {
    StopWith(HangUpLine());
    return;
  }
  if (!running_ || !timerTick) return;
  if (!answered && state_ == UpdaterState::SendHeader && link_->PendingWrite() == 0 && --headerGrace_ <= 0) {
    EnterState(UpdaterState::SendExtension);
  }
  timer_->SetInterval(kPollMs);
  timer_->SetEnabled(true);
}

void FirmwareUpdater::ProcessReply() {
  const char kind = reply_[0];
  switch (state_) {
    case UpdaterState::WaitPrompt:
      if (reply_.size() == 1 && kind == boot::kPrompt) EnterState(UpdaterState::Connecting);
      break;
    case UpdaterState::Connecting:
      if (kind == boot::kAck)
        EnterState(UpdaterState::SendHeader);
      else
        StopWith("Connecting: Error");
      break;
    case UpdaterState::SendHeader:
    case UpdaterState::SendExtension:
      if (kind == boot::kAck)
        HeaderReplied();
      else
        StopWith("Send Header: Error");
      break;
    case UpdaterState::WaitPageRequest:
      if (kind == boot::kPageRequest)
        PageRequested(boot::PageRequestNumber(reply_));
      else if (kind == boot::kAck)
        PageAcknowledged(boot::AckPageNumber(reply_));
      else if (kind == boot::kNak)
        PageRefused();
      break;  // a prompt is ignored here
    case UpdaterState::Idle:
      break;
  }
}

void FirmwareUpdater::HeaderReplied() {
  const boot::HeaderReply h = boot::ParseHeaderReply(reply_);
  LogLine("SN:" + h.serial);
  LogLine("ID:" + h.id);
  pageSize_ = h.pageSize;
  if (image_.ImageData().empty()) {
    succeeded_ = true;
    StopWith("System Updating : Ok");
    return;
  }
  if (pageSize_ <= 0) {
    StopWith("Send Header: Error (page size 0)");
    return;
  }
  const std::size_t pages = image_.PageCount(static_cast<std::size_t>(pageSize_));
  if (pages > kMaxPageCount) {
    // Page numbers above 0xFFFE cannot be told apart from the end marker.
    StopWith(Format("Send Header: Error (%zu pages, at most %zu)", pages, kMaxPageCount));
    return;
  }
  // Only whole pages are sent. An image with none would end at once with "Ok" having
  // written nothing, and a tail that makes no whole page is left out: both are said.
  const std::size_t size = image_.ImageData().size();
  if (pages == 0) {
    StopWith(Format("Send Header: Error (the image's %zu bytes make no whole page of %d bytes)", size, pageSize_));
    return;
  }
  if (const std::size_t tail = size - pages * static_cast<std::size_t>(pageSize_); tail > 0)
    LogLine(Format("Warning: the last %zu bytes of the image make no whole page and are not sent", tail));
  pageCount_ = static_cast<int>(pages);
  report_->Pages(pageCount_);
  nakCount_ = 0;
  requestsSinceProgress_ = 0;
  acknowledged_.assign(pages, false);
  EnterState(UpdaterState::WaitPageRequest);
}

// Progress is a page acknowledged for the first time. A bootloader that keeps asking
// without making any (the same page again and again) is given as many repeats as NAKs.
void FirmwareUpdater::PageRequested(uint16_t page) {
  if (++requestsSinceProgress_ > kNakLimit + 1) {
    StopWith(Format("Writing Page #%d : Error (requested again without progress)", static_cast<int>(page)));
    return;
  }
  currentPage_ = page;
  requested_ = true;
  if (page == pageCount_) {
    // The end frame makes the bootloader keep what it has written: it goes only when every
    // page was acknowledged, or an upload of one page in 385 would end "Ok".
    if (firstAcks_ < pageCount_) {
      StopWith(Format("Writing Page #%d : Error (the bootloader asked to finish after %d of %d pages)",
                      static_cast<int>(page), firstAcks_, pageCount_));
      return;
    }
    LogLine("Updating firmware");
    currentPage_ = boot::kEndMarker;
    Send(EndFrame());
    return;
  }
  if (page == boot::kEndMarker) {
    // Its bare frame would be the end frame, and its acknowledgement the end's.
    StopWith(Format("Writing Page #%d : Error (the end marker asked for as a page)", static_cast<int>(page)));
    return;
  }
  LogLine(Format("Writing Page #%d", static_cast<int>(page)));
  // A page wholly beyond the image goes out as a bare "@" and its number: the bootloader
  // has nothing to write from it and answers for itself.
  Send(PageFrame(page, image_.Page(page, static_cast<std::size_t>(pageSize_))));
}

// An acknowledgement names what was sent last: the end marker only once the end frame has
// left, a page only when that page was the last one sent.
void FirmwareUpdater::PageAcknowledged(uint16_t page) {
  if (!requested_) {
    // Page 0 is the current page before any request, but nothing has been sent yet.
    StopWith(Format("Writing Page #%d : Error (acknowledgement for page %d before any page was asked for)",
                    currentPage_, static_cast<int>(page)));
    return;
  }
  if (page != currentPage_) {
    StopWith(Format("Writing Page #%d : Error (acknowledgement for page %d)", currentPage_, static_cast<int>(page)));
    return;
  }
  nakCount_ = 0;
  if (page < acknowledged_.size() && !acknowledged_[page]) {
    acknowledged_[page] = true;
    ++firstAcks_;
    requestsSinceProgress_ = 0;
  }
  if (page == boot::kEndMarker) {
    ShowProgress(pageCount_);
    succeeded_ = true;
    StopWith("Updating firmware : Ok");
    return;
  }
  ShowProgress(currentPage_);
  LogLine(Format("Writing Page #%d : Ok", currentPage_));
}

// After a negative acknowledgement the updater only reports the retry: the bootloader's
// next page request is what sends the page again.
void FirmwareUpdater::PageRefused() {
  if (currentPage_ == boot::kEndMarker) {
    StopWith("Error updating firmware...");
    return;
  }
  ++nakCount_;
  if (nakCount_ <= kNakLimit)
    LogLine(Format("Writing Page #%d : Retry %d", currentPage_, nakCount_));
  else
    StopWith(Format("Writing Page #%d : Error", currentPage_));
}

// The line the upload ends with when the adapter hangs up: the error line of the step it
// was at, with the reason, rather than a wait for bytes that can no longer come.
std::string FirmwareUpdater::HangUpLine() const {
  static const std::string kReason = " (the adapter hung up)";
  switch (state_) {
    case UpdaterState::WaitPrompt:
    case UpdaterState::Connecting:
      return "Connecting: Error" + kReason;
    case UpdaterState::SendHeader:
    case UpdaterState::SendExtension:
      return "Send Header: Error" + kReason;
    case UpdaterState::WaitPageRequest:
      if (currentPage_ == boot::kEndMarker) return "Error updating firmware..." + kReason;
      return Format("Writing Page #%d : Error", currentPage_) + kReason;
    case UpdaterState::Idle:
      break;
  }
  return "Error" + kReason;
}

void FirmwareUpdater::EnterState(UpdaterState state) {
  state_ = state;
  switch (state) {
    case UpdaterState::Idle:
      statusLine_.clear();
      report_->StatusCleared();
      Halt();
      endPending_ = true;
      break;
    case UpdaterState::WaitPrompt:
      LogLine("Waiting Connection...");
      break;
    case UpdaterState::Connecting:
      LogLine("Connecting...");
      received_.Clear();
      Send(BuildFrame(std::string_view(&boot::kConnect, 1), {}));
      break;
    case UpdaterState::SendHeader:
      headerGrace_ = kHeaderGraceTicks;
      LogLine("Send Header...");
      Send(HeaderFrame(image_));
      break;
    case UpdaterState::SendExtension:
      // This bootloader expects 264 bytes of header: the image now starts after them.
      image_.UseExtension();
      if (!image_.ExtensionBlock().empty()) Send(Bytes(image_.ExtensionBlock()));
      break;
    case UpdaterState::WaitPageRequest:
      LogLine("Wait for page request...");
      break;
  }
}

void FirmwareUpdater::StopWith(const std::string& line) {
  EnterState(UpdaterState::Idle);
  LogLine(line);
}

void FirmwareUpdater::Halt() {
  if (timer_) timer_->SetEnabled(false);
  if (wake_) {
    link_->SetDataNotify({});
    wake_->updater = nullptr;
    wake_.reset();
  }
  link_->Close();
  if (inTimer_)
    retiredTimer_ = std::move(timer_);
  else
    timer_.reset();
  running_ = false;
}

void FirmwareUpdater::LogLine(const std::string& line) {
  statusLine_ = line;
  report_->Line(line);
}

void FirmwareUpdater::ShowProgress(int page) {
  shownPage_ = page;
  report_->Progress(page);
}

void FirmwareUpdater::Send(const Bytes& frame) { link_->Write(frame); }

}  // namespace bx
