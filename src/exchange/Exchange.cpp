#include "exchange/Exchange.h"

#include <algorithm>
#include <iterator>

#include "core/Protocol.h"
#include "exchange/Identity.h"
#include "exchange/PortList.h"
#include "form/PageControls.h"
#include "form/WindowServices.h"
#include "session/AdapterSession.h"

namespace bx {

const char* StateName(ExchangeState s) {
  static const char* kNames[] = {"Idle",        "Opening",       "Starting",     "ResetInfo",   "SendInfo",
                                 "AwaitWrite",  "AwaitReply",    "InfoReceived", "SelectMode",  "SendCommand",
                                 "CommandDone", "SendTest",      "TestDone",     "SendUpdate",  "UpdateReply",
                                 "StartUpdate", "UpdateRunning", "NotFound",     "CommandPause"};
  return kNames[static_cast<int>(s)];
}

std::string BusyRefusal(const std::string& action) {
  return "\"" + action + "\" was not sent: another operation is using the adapter.";
}

Exchange::Exchange(AdapterSession& session, SettingsControls& page, ExchangeView& view, ui::TTimer& tmrSearch,
                   WindowServices& window, const std::string& productName, PortList& ports, Identity& identity)
    : session_(session),
      c_(page),
      view_(view),
      tmrSearch_(tmrSearch),
      window_(window),
      productName_(productName),
      ports_(ports),
      identity_(identity) {
  tmrSearch_.OnTimer = [this] { tmrSearchTimer(); };
}

void Exchange::Follow(std::function<void()> taken, std::function<void()> released) {
  if (taken) taken_.push_back(std::move(taken));
  if (released) released_.push_back(std::move(released));
}

Exchange::~Exchange() = default;

bool Exchange::Start(ExchangeRequest request) {
  if (Running()) return false;
  request_ = std::move(request);
  answered_ = false;
  handedToUpdater_ = false;
  channel_.ResetDropped();
  live_ = LiveCursor{};
  if (request_.operation == Operation::Search || request_.operation == Operation::DeviceCommand) attempt_ = -1;
  channel_.SetReading(true);
  // The port-list refresh goes on during the exchange and a rebuild may select another
  // port or none: what the exchange says and records is about the port it opened.
  portName_ = ports_.SelectedPortName();
  portText_ = ports_.SelectedPortText();
  identity_.SetReplyPort(portName_);
  session_.SetPort(portName_);
  failure_.clear();
  sentBefore_ = channel_.CommandsSent();
  BeginOperation();
  const std::string& port = portName_;
  Link* link = links_ && !port.empty() ? links_->FindLink(port) : nullptr;
  if (!channel_.Open(link, port, synchronousOpen)) {
    Finish();
    return true;
  }
  session_.ShowPort(portText_);
  view_.Opening(portText_);
  state_ = ExchangeState::Opening;
  tmrSearch_.SetInterval(10);
  tmrSearch_.SetEnabled(true);
  return true;
}

void Exchange::DropLinks() {
  channel_.Drop();
  links_ = nullptr;
}

void Exchange::tmrSearchTimer() {
  tmrSearch_.SetEnabled(false);
  bool more = false;
  try {
    channel_.Receive();
    more = Step();
  } catch (...) {
    // A step that fails (a settings write refused while the reply is parsed) ends the
    // exchange the ordinary way: link closed, window given back. The error itself is
    // shown once, by the handler's exception display.
    if (Running()) {
      try {
        Finish();
      } catch (...) {
        state_ = ExchangeState::Idle;
        channel_.Close();
      }
    }
    throw;
  }
  if (more && !(state_ == ExchangeState::UpdateRunning && uploading_)) {
    tmrSearch_.SetInterval(nextInterval_);
    tmrSearch_.SetEnabled(true);
  }
  nextInterval_ = 10;
}

void Exchange::SendAndAwait(const std::string& command, ExchangeState success, ExchangeState timeout) {
  channel_.Send(command);
  successState_ = success;
  timeoutState_ = timeout;
  state_ = ExchangeState::AwaitWrite;
}

void Exchange::FailMessage(const std::string& text) {
  failure_ = text;
  window_.AppMessageBox("Error...", text, mb::IconError);
}

void Exchange::BeginOperation() {
  switch (request_.operation) {
    case Operation::Search:
      session_.Begin(SessionPhase::Searching, SessionPhase::Searching);
      break;
    case Operation::SelectMode:
      session_.Begin(SessionPhase::Selecting, SessionPhase::Selecting);
      break;
    case Operation::SelfTest:
      session_.Begin(SessionPhase::SelfTest, SessionPhase::SelfTest);
      break;
    case Operation::Update:
      session_.Begin(SessionPhase::Uploading, SessionPhase::Searching);
      break;
    case Operation::UpdateNoSearch:
      session_.Begin(SessionPhase::Uploading, SessionPhase::Uploading);
      break;
    case Operation::DeviceCommand:
      session_.Begin(SessionPhase::DeviceCommand, SessionPhase::DeviceCommand);
      break;
    case Operation::None:
      break;
  }
}

// Every operation but an upload ends here: it went well when the adapter answered (a
// command that waits for no answer, when it was sent). An upload's result is the
// updater's, which the Update page gives the session.
void Exchange::EndOperation() {
  const Operation op = request_.operation;
  if (op == Operation::Update || op == Operation::UpdateNoSearch || op == Operation::None) return;
  const bool ok = op == Operation::DeviceCommand && !request_.wait ? channel_.CommandsSent() > sentBefore_ : answered_;
  session_.End(ok, ok ? std::string() : Failure());
}

std::string Exchange::Failure() const {
  if (!failure_.empty()) return failure_;
  return channel_.ActiveLink() ? "the adapter did not answer" : "the port could not be opened";
}

std::string Exchange::Command(const std::string& suffix) const { return std::string(proto::kCommandPrefix) + suffix; }

// In the order of ExchangeState.
const Exchange::Handler Exchange::kHandlers[] = {
    &Exchange::OnIdle,          &Exchange::OnOpening,     &Exchange::OnStarting,     &Exchange::OnResetInfo,
    &Exchange::OnSendInfo,      &Exchange::OnAwaitWrite,  &Exchange::OnAwaitReply,   &Exchange::OnInfoReceived,
    &Exchange::OnSelectMode,    &Exchange::OnSendCommand, &Exchange::OnCommandDone,  &Exchange::OnSendTest,
    &Exchange::OnTestDone,      &Exchange::OnSendUpdate,  &Exchange::OnUpdateReply,  &Exchange::OnStartUpdate,
    &Exchange::OnUpdateRunning, &Exchange::OnNotFound,    &Exchange::OnCommandPause,
};
bool Exchange::Step() {
  static_assert(std::size(kHandlers) == static_cast<std::size_t>(ExchangeState::CommandPause) + 1);
  while ((this->*kHandlers[static_cast<std::size_t>(state_)])()) {
  }
  return Running();
}

bool Exchange::OnIdle() { return false; }

bool Exchange::OnOpening() {
  if (channel_.Opening()) return false;
  channel_.JoinOpener();
  view_.OpenEnded();
  state_ = ExchangeState::Starting;
  return true;
}

bool Exchange::OnStarting() {
  if (!channel_.IsOpen()) {
    const std::string reason = channel_.ActiveLink() ? channel_.ActiveLink()->OpenFailureText() : std::string();
    FailMessage("Can't open Communication Port " + portText_ + (reason.empty() ? "" : " (" + reason + ")"));
    session_.ShowPort("");
    view_.PortCleared();
    Finish();
    return false;
  }
  view_.Busy();
  for (const auto& taken : taken_) taken();
  c_.memLog.Clear();
  channel_.ClearReceived();
  live_.position = 3;
  switch (request_.operation) {
    case Operation::Search:
      state_ = ExchangeState::ResetInfo;
      break;
    case Operation::SelectMode:
      state_ = ExchangeState::SelectMode;
      break;
    case Operation::SelfTest:
      state_ = ExchangeState::SendTest;
      break;
    case Operation::Update:
      state_ = ExchangeState::SendUpdate;
      break;
    case Operation::UpdateNoSearch:
      state_ = ExchangeState::StartUpdate;
      break;
    case Operation::DeviceCommand:
      state_ = ExchangeState::SendCommand;
      break;
    case Operation::None:
      Finish();
      break;
  }
  return false;
}

bool Exchange::OnResetInfo() {
  identity_.ClearIdentity();
  state_ = ExchangeState::SendInfo;
  return false;
}

bool Exchange::OnSendInfo() {
  if (++attempt_ >= 4) {
    attempt_ = 0;
    state_ = ExchangeState::NotFound;
  } else {
    SendAndAwait(Command("I"), ExchangeState::InfoReceived, ExchangeState::SendInfo);
  }
  return false;
}

bool Exchange::OnAwaitWrite() {
  if (channel_.Leaving()) return false;
  state_ = ExchangeState::AwaitReply;
  return true;
}

bool Exchange::OnAwaitReply() {
  if (request_.livePane && liveReply_ && channel_.FrameBegun())
    liveReply_->RenderLive(*request_.livePane, channel_.Received(), live_);
  switch (channel_.Step(request_.echoLine)) {
    case AdapterChannel::Await::Frame:
      answered_ = true;
      state_ = successState_;
      break;
    case AdapterChannel::Await::Silent:
      state_ = timeoutState_;
      break;
    case AdapterChannel::Await::Writing:
    case AdapterChannel::Await::Waiting:
      break;
  }
  return false;
}

bool Exchange::OnInfoReceived() {
  bootloaderHint = false;
  // The log was emptied as the exchange began: the reply is all of it, a line each.
  identity_.ShowReply(channel_.Body() + "\r\n");
  Finish();
  return false;
}

bool Exchange::OnSelectMode() {
  // The mode list goes before the switch: the adapter's answer fills it again.
  request_.wait = true;
  identity_.ClearModes();
  state_ = ExchangeState::SendCommand;
  return true;
}

bool Exchange::OnSendCommand() {
  const std::string command = Command(request_.commandSuffix);
  view_.CommandSent(command);
  if (request_.wait) {
    SendAndAwait(command, ExchangeState::CommandDone, ExchangeState::NotFound);
    return false;
  }
  channel_.Write(command);
  // The adapter is given half a second before its port is closed (a reset answers
  // nothing); the window goes on meanwhile.
  state_ = ExchangeState::CommandPause;
  nextInterval_ = 500;
  return false;
}

bool Exchange::OnCommandPause() {
  Finish();
  return false;
}

bool Exchange::OnCommandDone() {
  identity_.ShowReply(channel_.Body());
  Finish();
  return false;
}

bool Exchange::OnSendTest() {
  SendAndAwait(Command(request_.commandSuffix), ExchangeState::TestDone, ExchangeState::NotFound);
  return false;
}

bool Exchange::OnTestDone() {
  if (liveReply_) liveReply_->TestDone(channel_.Body());
  Finish();
  return false;
}

bool Exchange::OnSendUpdate() {
  view_.PagesUsable();
  SendAndAwait(Command("U"), ExchangeState::UpdateReply, ExchangeState::NotFound);
  return false;
}

bool Exchange::OnUpdateReply() {
  // What is left in the buffer after the reply frame is the adapter's answer to entering
  // its bootloader; an "ERROR" there ends the update.
  if (Contains(channel_.Received(), "ERROR")) {
    failure_ = "the adapter refused to start its bootloader";
    if (uploads_) uploads_->UpdateRefused(channel_.Received());
    Finish();
    return false;
  }
  state_ = ExchangeState::StartUpdate;
  return true;
}

bool Exchange::OnStartUpdate() {
  view_.PagesUsable();
  c_.memLog.SetText(channel_.Body());
  channel_.SetReading(false);
  state_ = ExchangeState::UpdateRunning;
  Link* link = channel_.ActiveLink();
  handedToUpdater_ = link != nullptr;
  session_.EnterPhase(SessionPhase::Uploading);
  uploading_ = link && uploads_ && uploads_->StartUpdater(*link);
  return !uploading_;
}

// While the updater runs the upload the exchange does nothing: the updater's end is
// announced (UploadEnded), not looked for.
bool Exchange::OnUpdateRunning() {
  if (uploading_) return false;
  Finish();
  return false;
}

// The exchange finishes at its next step, as after any other state: the updater has
// returned from the step that ended the upload by then.
void Exchange::UploadEnded() {
  if (!uploading_) return;
  uploading_ = false;
  if (state_ != ExchangeState::UpdateRunning) return;
  tmrSearch_.SetInterval(10);
  tmrSearch_.SetEnabled(true);
}

bool Exchange::OnNotFound() {
  const std::string notFound = productName_ + " Adapter is not found on Communication Port " + portText_;
  failure_ = bootloaderHint ? notFound + "\r\n\r\n" + kBootloaderHint : notFound;
  window_.AppMessageBox("Error...",
                        notFound + "\r\n\r\n" + NotFoundChecks(portName_, ports_.serialPrefix, bootloaderHint),
                        mb::IconError);
  request_.focusTarget = nullptr;
  Finish();
  return false;
}

void Exchange::Finish() {
  state_ = ExchangeState::Idle;
  uploading_ = false;
  tmrSearch_.SetEnabled(false);
  view_.Ended();
  for (const auto& released : released_) released();
  channel_.Close();
  channel_.ClearReceived();
  if (const std::size_t dropped = channel_.Dropped(); dropped > 0)
    c_.memLog.AddLine(Format("%zu bytes of the adapter's answer were dropped: an exchange keeps at most %zu bytes.",
                             dropped, kMaxReplyBytes));
  if (ui::TControl* focus = request_.focusTarget) {
    focus->SetFocus();
    if (focus == &c_.lvModes && c_.lvModes.Count() > 0) {
      window_.SortList(c_.lvModes);
      if (ui::TListItem* s = c_.lvModes.Selected()) s->MakeVisible();
    }
  }
  EndOperation();
  const auto finished = std::move(request_.finished);
  request_ = ExchangeRequest{};
  live_.position = 3;
  if (!session_.Identified()) {
    session_.ShowPort("");
    view_.PortCleared();
  }
  if (finished) finished(answered_);
}

}  // namespace bx
