#include "exchange/Exchange.h"

#include <iterator>

#include "core/Protocol.h"
#include "exchange/Identity.h"
#include "exchange/PortList.h"
#include "form/Unitmain.h"
#include "ui/EventLoop.h"

namespace bx {

const char* StateName(ExchangeState s) {
  static const char* kNames[] = {"Idle",        "Opening",       "Starting",     "ResetInfo",  "SendInfo",
                                 "AwaitWrite",  "AwaitReply",    "InfoReceived", "SelectMode", "SendCommand",
                                 "CommandDone", "SendTest",      "TestDone",     "SendUpdate", "UpdateReply",
                                 "StartUpdate", "UpdateRunning", "NotFound"};
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

bool TakeReplyFrame(Bytes& buffer, bool& frameOpen, Bytes& body) {
  DropNoise(buffer, frameOpen);
  if (!frameOpen) return false;
  const auto end = buffer.find(proto::kFrameEnd);
  if (end == Bytes::npos) return false;
  body = end == 0 ? Bytes() : buffer.substr(2, end - 2);
  buffer.erase(0, end + proto::kFrameEnd.size());
  frameOpen = false;
  return true;
}

Exchange::Exchange(TfrmMain& form, PortList& ports, Identity& identity) : f_(form), ports_(ports), identity_(identity) {
  f_.tmrSearch.OnTimer = [this] { tmrSearchTimer(); };
}

Exchange::~Exchange() {
  if (opener_.joinable()) opener_.join();
}

bool Exchange::Start(ExchangeRequest request) {
  if (Running()) return false;
  request_ = std::move(request);
  answered_ = false;
  handedToUpdater_ = false;
  live_ = LiveCursor{};
  if (request_.operation == Operation::Search || request_.operation == Operation::DeviceCommand) attempt_ = -1;
  readingEnabled_ = true;
  const std::string port = ports_.SelectedPortName();
  activeLink_ = findLink && !port.empty() ? findLink(port) : nullptr;
  if (activeLink_) OpenLink(port);
  if (!activeLink_) {
    Finish();
    return true;
  }
  ShowBusy();
  state_ = ExchangeState::Opening;
  f_.tmrSearch.SetInterval(10);
  f_.tmrSearch.SetEnabled(true);
  return true;
}

void Exchange::OpenLink(const std::string& port) {
  activeLink_->SetPortName(port);
  if (opener_.joinable()) opener_.join();
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
  f_.pcOptions.SetEnabled(false);
  f_.cbCOM.SetEnabled(false);
  f_.edCOM.SetText(f_.cbCOM.Text());
  f_.bpConnect.Vertical = false;
  f_.bpConnect.MarqueeInterval = 25;
  f_.bpConnect.SetStyle(ui::TProgressBar::Style::Marquee);
  f_.bpConnect.SetVisible(true);
}

void Exchange::DropLinks() {
  if (activeLink_) activeLink_->Close();
  activeLink_ = nullptr;
  findLink = nullptr;
}

void Exchange::tmrSearchTimer() {
  f_.tmrSearch.SetEnabled(false);
  if (readingEnabled_ && activeLink_ && activeLink_->IsOpen() && activeLink_->BytesAvailable() > 0) {
    Bytes chunk;
    activeLink_->ReadAvailable(chunk);
    rxBuffer_ += chunk;
    silence_ = 200;
  }
  if (Step()) {
    f_.tmrSearch.SetInterval(10);
    f_.tmrSearch.SetEnabled(true);
  }
}

void Exchange::SendAndAwait(const std::string& command, ExchangeState success, ExchangeState timeout) {
  if (activeLink_) activeLink_->Write(command);
  ++commandsSent_;
  successState_ = success;
  timeoutState_ = timeout;
  state_ = ExchangeState::AwaitWrite;
}

void Exchange::FailMessage(const std::string& text) { f_.AppMessageBox("Error...", text, mb::IconError); }

std::string Exchange::Command(const std::string& suffix) const { return std::string(proto::kCommandPrefix) + suffix; }

// In the order of ExchangeState.
const Exchange::Handler Exchange::kHandlers[] = {
    &Exchange::OnIdle,          &Exchange::OnOpening,     &Exchange::OnStarting,    &Exchange::OnResetInfo,
    &Exchange::OnSendInfo,      &Exchange::OnAwaitWrite,  &Exchange::OnAwaitReply,  &Exchange::OnInfoReceived,
    &Exchange::OnSelectMode,    &Exchange::OnSendCommand, &Exchange::OnCommandDone, &Exchange::OnSendTest,
    &Exchange::OnTestDone,      &Exchange::OnSendUpdate,  &Exchange::OnUpdateReply, &Exchange::OnStartUpdate,
    &Exchange::OnUpdateRunning, &Exchange::OnNotFound,
};
bool Exchange::Step() {
  static_assert(std::size(kHandlers) == static_cast<std::size_t>(ExchangeState::NotFound) + 1);
  while ((this->*kHandlers[static_cast<std::size_t>(state_)])()) {
  }
  return Running();
}

bool Exchange::OnIdle() { return false; }

bool Exchange::OnOpening() {
  if (openerRunning_) return false;
  if (opener_.joinable()) opener_.join();
  f_.pcOptions.SetEnabled(true);
  f_.bpConnect.SetVisible(false);
  state_ = ExchangeState::Starting;
  return true;
}

bool Exchange::OnStarting() {
  if (!activeLink_ || !activeLink_->IsOpen()) {
    const std::string reason = activeLink_ ? activeLink_->OpenFailureText() : std::string();
    FailMessage("Can't open Communication Port " + f_.cbCOM.Text() + (reason.empty() ? "" : " (" + reason + ")"));
    f_.edCOM.SetText("");
    Finish();
    return false;
  }
  f_.bpConnect.MarqueeInterval = 10;
  f_.bpConnect.SetVisible(true);
  for (ui::TControl* c : std::initializer_list<ui::TControl*>{
           &f_.pcOptions, &f_.gbOptions, &f_.lvModes, &f_.btModeSelect, &f_.btCopy, &f_.btSearch, &f_.btModeHide,
           &f_.cbShow, &f_.btModeFile, &f_.btModeFileDel, &f_.btModeRun, &f_.cbCOM, &f_.btPortProp, &f_.btUpdateRun})
    c->SetEnabled(false);
  f_.memLog.Clear();
  rxBuffer_.clear();
  frameOpen_ = false;
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
  silence_ = 100;
  state_ = ExchangeState::AwaitReply;
  return true;
}

bool Exchange::OnAwaitReply() {
  DropNoise(rxBuffer_, frameOpen_);
  if (request_.livePane && frameOpen_ && renderLive) renderLive(*request_.livePane, rxBuffer_, live_);
  Bytes body;
  if (TakeReplyFrame(rxBuffer_, frameOpen_, body)) {
    replyBody_ = std::move(body);
    answered_ = true;
    state_ = successState_;
  } else if (silence_-- == 1) {
    state_ = timeoutState_;
  }
  return false;
}

bool Exchange::OnInfoReceived() {
  bootloaderHint = false;
  f_.memLog.AddLine(replyBody_);
  identity_.ParsePane(f_.memLog);
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
  f_.edCOMM_Command.SetText(command);
  if (request_.wait) {
    SendAndAwait(command, ExchangeState::CommandDone, ExchangeState::NotFound);
    return false;
  }
  if (activeLink_) activeLink_->Write(command);
  ++commandsSent_;
  if (auto* loop = ui::EventLoop::Current()) loop->Sleep(500);
  Finish();
  return false;
}

bool Exchange::OnCommandDone() {
  if (request_.commandDone) request_.commandDone(replyBody_);
  f_.memLog.SetText(replyBody_);
  identity_.ParsePane(f_.memLog);
  Finish();
  return false;
}

bool Exchange::OnSendTest() {
  SendAndAwait(Command("T" + f_.edTest_Params.Text()), ExchangeState::TestDone, ExchangeState::NotFound);
  return false;
}

bool Exchange::OnTestDone() {
  if (testDone) testDone();
  Finish();
  return false;
}

bool Exchange::OnSendUpdate() {
  f_.pcOptions.SetEnabled(true);
  SendAndAwait(Command("U"), ExchangeState::UpdateReply, ExchangeState::NotFound);
  return false;
}

bool Exchange::OnUpdateReply() {
  // What is left in the buffer after the reply frame is the adapter's answer to entering
  // its bootloader; an "ERROR" there ends the update.
  if (Contains(rxBuffer_, "ERROR")) {
    f_.memUpdate.AddLine(rxBuffer_);
    Finish();
    return false;
  }
  state_ = ExchangeState::StartUpdate;
  return true;
}

bool Exchange::OnStartUpdate() {
  f_.pcOptions.SetEnabled(true);
  f_.memLog.SetText(replyBody_);
  readingEnabled_ = false;
  state_ = ExchangeState::UpdateRunning;
  handedToUpdater_ = activeLink_ != nullptr;
  if (activeLink_ && startUpdater && startUpdater(*activeLink_)) {
    f_.btUpdateRun.SetEnabled(true);
    return false;
  }
  return true;
}

bool Exchange::OnUpdateRunning() {
  if (updaterRunning && updaterRunning()) return false;
  Finish();
  return false;
}

bool Exchange::OnNotFound() {
  const std::string hint = bootloaderHint ? std::string("\r\n\r\n") + kBootloaderHint : std::string();
  FailMessage(f_.ProductName + " Adapter is not found on Communication Port " + f_.cbCOM.Text() + hint);
  request_.focusTarget = nullptr;
  Finish();
  return false;
}

void Exchange::Finish() {
  state_ = ExchangeState::Idle;
  f_.tmrSearch.SetEnabled(false);
  RestoreControls();
  if (updateButtons) updateButtons();
  if (activeLink_) activeLink_->Close();
  rxBuffer_.clear();
  frameOpen_ = false;
  f_.btUpdateRun.SetCaption("Run");
  if (ui::TControl* focus = request_.focusTarget) {
    focus->SetFocus();
    if (focus == &f_.lvModes && f_.lvModes.Count() > 0) {
      f_.SortList(f_.lvModes);
      if (ui::TListItem* s = f_.lvModes.Selected()) s->MakeVisible();
    }
  }
  const std::function<void()> ended = std::move(request_.ended);
  request_ = ExchangeRequest{};
  live_.position = 3;
  if (f_.edSerial.Text().empty()) f_.edCOM.SetText("");
  if (ended) ended();
}

void Exchange::RestoreControls() {
  f_.btCopyTest.SetEnabled(!f_.memLogTest.Text().empty());
  f_.bpConnect.SetVisible(false);
  f_.bpConnect.SetStyle(ui::TProgressBar::Style::Normal);
  f_.pcOptions.SetEnabled(true);
  if (!f_.edBattery.Text().empty()) {
    identity_.SetBatteryText(f_.edBattery.Text());
    f_.btPower.SetEnabled(true);
  }
  for (ui::TControl* c : std::initializer_list<ui::TControl*>{&f_.gbOptions, &f_.lvModes, &f_.cbShow, &f_.cbCOM})
    c->SetEnabled(true);
  // A port-list rebuild during the exchange may have left no port chosen: Search would
  // then do nothing.
  f_.btSearch.SetEnabled(f_.cbCOM.ItemIndex() >= 0);
  f_.btPortProp.SetEnabled(!ports_.SelectedDetail().empty());
  f_.btCopy.SetEnabled(!f_.memLog.Text().empty());
}

}  // namespace bx
