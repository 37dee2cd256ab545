#include "exchange/Exchange.h"

#include <algorithm>
#include <iterator>

#include "core/Protocol.h"
#include "exchange/Identity.h"
#include "session/AdapterSession.h"
#include "exchange/PortList.h"
#include "form/PageControls.h"
#include "form/WindowServices.h"

namespace bx {

const char* StateName(ExchangeState s) {
  static const char* kNames[] = {"Idle",        "Opening",       "Starting",     "ResetInfo",   "SendInfo",
                                 "AwaitWrite",  "AwaitReply",    "InfoReceived", "SelectMode",  "SendCommand",
                                 "CommandDone", "SendTest",      "TestDone",     "SendUpdate",  "UpdateReply",
                                 "StartUpdate", "UpdateRunning", "NotFound",     "CommandPause"};
  return kNames[static_cast<int>(s)];
}

namespace {
// Noise before a frame that never brings its CR LF is kept only as far as it could
// still be the first half of one.
void DropNoise(Bytes& buffer, bool& frameOpen) {
  if (frameOpen) return;
  const auto p = buffer.find(proto::kCrLf);
  if (p == Bytes::npos) {
    if (buffer.size() > 1) buffer.erase(0, buffer.size() - 1);
    return;
  }
  buffer.erase(0, p);
  frameOpen = true;
}
}  // namespace

bool TakeReplyFrame(Bytes& buffer, bool& frameOpen, Bytes& body, std::size_t& searched) {
  const bool wasOpen = frameOpen;
  DropNoise(buffer, frameOpen);
  if (!frameOpen || !wasOpen) searched = 0;
  if (!frameOpen) return false;
  const auto end = buffer.find(proto::kFrameEnd, std::min(searched, buffer.size()));
  if (end == Bytes::npos) {
    // The last bytes may be the first part of a frame end whose rest is still to come.
    const std::size_t overlap = proto::kFrameEnd.size() - 1;
    searched = buffer.size() > overlap ? buffer.size() - overlap : 0;
    return false;
  }
  body = end == 0 ? Bytes() : buffer.substr(2, end - 2);
  buffer.erase(0, end + proto::kFrameEnd.size());
  frameOpen = false;
  searched = 0;
  return true;
}

bool TakeReplyFrame(Bytes& buffer, bool& frameOpen, Bytes& body) {
  std::size_t searched = 0;
  return TakeReplyFrame(buffer, frameOpen, body, searched);
}

std::string BusyRefusal(const std::string& action) {
  return "\"" + action + "\" was not sent: another operation is using the adapter.";
}

Exchange::Exchange(AdapterSession& session, SettingsControls& page, StatusControls& status, ui::TPageControl& pages,
                   ui::TTimer& tmrSearch, WindowServices& window, const std::string& productName, PortList& ports,
                   Identity& identity)
    : session_(session),
      c_(page),
      status_(status),
      pages_(pages),
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

Exchange::~Exchange() { JoinOpener(); }

void Exchange::JoinOpener() {
  if (opener_.joinable()) opener_.join();
}

bool Exchange::Start(ExchangeRequest request) {
  if (Running()) return false;
  request_ = std::move(request);
  answered_ = false;
  handedToUpdater_ = false;
  dropped_ = 0;
  live_ = LiveCursor{};
  if (request_.operation == Operation::Search || request_.operation == Operation::DeviceCommand) attempt_ = -1;
  readingEnabled_ = true;
  // The port-list refresh goes on during the exchange and a rebuild may select another
  // port or none: what the exchange says and records is about the port it opened.
  portName_ = ports_.SelectedPortName();
  portText_ = c_.cbCOM.Text();
  identity_.SetReplyPort(portName_);
  session_.SetPort(portName_);
  failure_.clear();
  sentBefore_ = commandsSent_;
  BeginOperation();
  const std::string& port = portName_;
  activeLink_ = findLink && !port.empty() ? findLink(port) : nullptr;
  if (activeLink_) OpenLink(port);
  if (!activeLink_) {
    Finish();
    return true;
  }
  ShowBusy();
  state_ = ExchangeState::Opening;
  tmrSearch_.SetInterval(10);
  tmrSearch_.SetEnabled(true);
  return true;
}

void Exchange::OpenLink(const std::string& port) {
  activeLink_->SetPortName(port);
  JoinOpener();
  openerRunning_ = true;
  if (synchronousOpen) {
    activeLink_->Open();
    openerRunning_ = false;
    return;
  }
  try {
    Link* link = activeLink_;
    opener_ = std::thread([this, link] {
      link->Open();
      openerRunning_ = false;
    });
  } catch (const std::system_error&) {
    openerRunning_ = false;
    activeLink_ = nullptr;
  }
}

void Exchange::ShowBusy() {
  pages_.SetEnabled(false);
  c_.cbCOM.SetEnabled(false);
  session_.ShowPort(portText_);
  status_.edCOM.SetText(portText_);
  status_.bpConnect.Vertical = false;
  status_.bpConnect.MarqueeInterval = 25;
  status_.bpConnect.SetStyle(ui::TProgressBar::Style::Marquee);
  status_.bpConnect.SetVisible(true);
}

void Exchange::DropLinks() {
  // A close right after Search finds the opener still inside the link's Open.
  JoinOpener();
  if (activeLink_) activeLink_->Close();
  activeLink_ = nullptr;
  findLink = nullptr;
}

void Exchange::tmrSearchTimer() {
  tmrSearch_.SetEnabled(false);
  bool more = false;
  try {
    Receive();
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
        if (activeLink_) activeLink_->Close();
      }
    }
    throw;
  }
  if (more) {
    tmrSearch_.SetInterval(nextInterval_);
    tmrSearch_.SetEnabled(true);
  }
  nextInterval_ = 10;
}

// Drains the link. Every chunk refills the silence allowance, also one that is dropped
// because the exchange already holds kMaxReplyBytes.
void Exchange::Receive() {
  if (!readingEnabled_ || !activeLink_ || !activeLink_->IsOpen() || activeLink_->BytesAvailable() <= 0) return;
  Bytes chunk;
  activeLink_->ReadAvailable(chunk);
  silence_ = 200;
  const std::size_t room = kMaxReplyBytes - std::min(kMaxReplyBytes, rxBuffer_.size());
  if (chunk.size() > room) {
    dropped_ += chunk.size() - room;
    chunk.resize(room);
  }
  rxBuffer_ += chunk;
}

// The open frame's whole lines that have not been echoed yet; with `all` (the reply
// timed out) also the unfinished last one. The empty line that ends the frame is not a
// line of the reply.
void Exchange::EchoLines(bool all) {
  if (!request_.echoLine || !frameOpen_) return;
  echoed_ = std::max<std::size_t>(echoed_, proto::kCrLf.size());
  while (echoed_ < rxBuffer_.size()) {
    const auto eol = rxBuffer_.find(proto::kCrLf, echoed_);
    if (eol == echoed_) return;
    if (eol == Bytes::npos) {
      if (!all) return;
      std::string rest = rxBuffer_.substr(echoed_);
      if (rest.back() == '\r') rest.pop_back();
      echoed_ = rxBuffer_.size();
      if (!rest.empty()) request_.echoLine(rest);
      return;
    }
    const std::string line = rxBuffer_.substr(echoed_, eol - echoed_);
    echoed_ = eol + proto::kCrLf.size();
    request_.echoLine(line);
  }
}

void Exchange::SendAndAwait(const std::string& command, ExchangeState success, ExchangeState timeout) {
  if (activeLink_) activeLink_->Write(command);
  ++commandsSent_;
  // The wait for the reply begins once the command has left, but an answer may already
  // come in the tick that sees it leave: its refill to 200 steps must stand, so the
  // allowance is set here, before any arrival, and not counted down while the write goes.
  silence_ = 100;
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
  const bool ok = op == Operation::DeviceCommand && !request_.wait ? commandsSent_ > sentBefore_ : answered_;
  session_.End(ok, ok ? std::string() : Failure());
}

std::string Exchange::Failure() const {
  if (!failure_.empty()) return failure_;
  return activeLink_ ? "the adapter did not answer" : "the port could not be opened";
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
  if (openerRunning_) return false;
  if (opener_.joinable()) opener_.join();
  pages_.SetEnabled(true);
  status_.bpConnect.SetVisible(false);
  state_ = ExchangeState::Starting;
  return true;
}

bool Exchange::OnStarting() {
  if (!activeLink_ || !activeLink_->IsOpen()) {
    const std::string reason = activeLink_ ? activeLink_->OpenFailureText() : std::string();
    FailMessage("Can't open Communication Port " + portText_ + (reason.empty() ? "" : " (" + reason + ")"));
    session_.ShowPort("");
    status_.edCOM.SetText("");
    Finish();
    return false;
  }
  status_.bpConnect.MarqueeInterval = 10;
  status_.bpConnect.SetVisible(true);
  for (ui::TControl* c : std::initializer_list<ui::TControl*>{
           &pages_, &c_.gbOptions, &c_.lvModes, &c_.btModeSelect, &c_.btCopy, &c_.btSearch, &c_.btModeHide, &c_.cbShow,
           &c_.btModeFile, &c_.btModeFileDel, &c_.btModeRun, &c_.cbCOM, &c_.btPortProp})
    c->SetEnabled(false);
  for (const auto& taken : taken_) taken();
  c_.memLog.Clear();
  ClearReceived();
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
  if (activeLink_ && activeLink_->PendingWrite() > 0) return false;
  state_ = ExchangeState::AwaitReply;
  return true;
}

bool Exchange::OnAwaitReply() {
  DropNoise(rxBuffer_, frameOpen_);
  if (request_.livePane && frameOpen_ && renderLive) renderLive(*request_.livePane, rxBuffer_, live_);
  EchoLines(false);
  Bytes body;
  if (TakeReplyFrame(rxBuffer_, frameOpen_, body, searched_)) {
    echoed_ = 0;
    replyBody_ = std::move(body);
    answered_ = true;
    state_ = successState_;
  } else if (silence_-- == 1) {
    EchoLines(true);
    // A frame that outgrew what an exchange keeps cannot end any more (its end was
    // dropped): the next attempt starts on an empty buffer.
    if (rxBuffer_.size() >= kMaxReplyBytes) ClearReceived();
    state_ = timeoutState_;
  }
  return false;
}

bool Exchange::OnInfoReceived() {
  bootloaderHint = false;
  // The log was emptied as the exchange began: the reply is all of it, a line each.
  identity_.ShowReply(replyBody_ + "\r\n");
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
  status_.edCOMM_Command.SetText(command);
  if (request_.wait) {
    SendAndAwait(command, ExchangeState::CommandDone, ExchangeState::NotFound);
    return false;
  }
  if (activeLink_) activeLink_->Write(command);
  ++commandsSent_;
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
  identity_.ShowReply(replyBody_);
  Finish();
  return false;
}

bool Exchange::OnSendTest() {
  SendAndAwait(Command(request_.commandSuffix), ExchangeState::TestDone, ExchangeState::NotFound);
  return false;
}

bool Exchange::OnTestDone() {
  if (testDone) testDone();
  Finish();
  return false;
}

bool Exchange::OnSendUpdate() {
  pages_.SetEnabled(true);
  SendAndAwait(Command("U"), ExchangeState::UpdateReply, ExchangeState::NotFound);
  return false;
}

bool Exchange::OnUpdateReply() {
  // What is left in the buffer after the reply frame is the adapter's answer to entering
  // its bootloader; an "ERROR" there ends the update.
  if (Contains(rxBuffer_, "ERROR")) {
    failure_ = "the adapter refused to start its bootloader";
    if (updateRefused) updateRefused(rxBuffer_);
    Finish();
    return false;
  }
  state_ = ExchangeState::StartUpdate;
  return true;
}

bool Exchange::OnStartUpdate() {
  pages_.SetEnabled(true);
  c_.memLog.SetText(replyBody_);
  readingEnabled_ = false;
  state_ = ExchangeState::UpdateRunning;
  handedToUpdater_ = activeLink_ != nullptr;
  session_.EnterPhase(SessionPhase::Uploading);
  if (activeLink_ && startUpdater && startUpdater(*activeLink_)) return false;
  return true;
}

bool Exchange::OnUpdateRunning() {
  if (updaterRunning && updaterRunning()) return false;
  Finish();
  return false;
}

std::string NotFoundChecks(const std::string& port, const std::string& serialPrefix, bool bootloader) {
  std::string out = "Check:\r\n- the cable, and that the adapter has power\r\n- that this is the adapter's port";
  if (serialPrefix == "/dev/" && port.starts_with(serialPrefix))
    out += "\r\n- that you may open " + port +
           ": on most systems a member of the group \"dialout\" may (sudo usermod -aG dialout $USER, then log in"
           " again)";
  if (bootloader) out += std::string("\r\n\r\n") + kBootloaderHint;
  return out;
}

bool Exchange::OnNotFound() {
  const std::string notFound = productName_ + " Adapter is not found on Communication Port " + portText_;
  failure_ = bootloaderHint ? notFound + "\r\n\r\n" + kBootloaderHint : notFound;
  window_.AppMessageBox("Error...", notFound + "\r\n\r\n" + NotFoundChecks(portName_, ports_.serialPrefix, bootloaderHint),
                        mb::IconError);
  request_.focusTarget = nullptr;
  Finish();
  return false;
}

void Exchange::Finish() {
  state_ = ExchangeState::Idle;
  tmrSearch_.SetEnabled(false);
  RestoreControls();
  for (const auto& released : released_) released();
  if (activeLink_) activeLink_->Close();
  ClearReceived();
  if (dropped_ > 0)
    c_.memLog.AddLine(Format("%zu bytes of the adapter's answer were dropped: an exchange keeps at most %zu bytes.",
                             dropped_, kMaxReplyBytes));
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
    status_.edCOM.SetText("");
  }
  if (finished) finished(answered_);
}

void Exchange::ClearReceived() {
  rxBuffer_.clear();
  frameOpen_ = false;
  searched_ = 0;
  echoed_ = 0;
}

void Exchange::RestoreControls() {
  status_.bpConnect.SetVisible(false);
  status_.bpConnect.SetStyle(ui::TProgressBar::Style::Normal);
  pages_.SetEnabled(true);
  if (const std::string battery = session_.Battery(); !battery.empty()) {
    identity_.ShowBattery(battery);
    status_.btPower.SetEnabled(true);
  }
  for (ui::TControl* c : std::initializer_list<ui::TControl*>{&c_.gbOptions, &c_.lvModes, &c_.cbShow, &c_.cbCOM})
    c->SetEnabled(true);
  // A port-list rebuild during the exchange may have left no port chosen: Search would
  // then do nothing.
  c_.btSearch.SetEnabled(c_.cbCOM.ItemIndex() >= 0);
  c_.btPortProp.SetEnabled(!ports_.SelectedDetail().empty());
  c_.btCopy.SetEnabled(!c_.memLog.Text().empty());
}

}  // namespace bx
