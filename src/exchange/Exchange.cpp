#include "exchange/Exchange.h"

#include "app/Modules.h"
#include "app/Unitmain.h"
#include "core/Protocol.h"
#include "exchange/Identity.h"
#include "exchange/PortList.h"
#include "modes/ModeList.h"
#include "ui/EventLoop.h"

namespace bx {

const char* StateName(ExchangeState s) {
  static const char* kNames[] = {"Idle",        "Opening",     "Starting",      "ResetInfo",   "SendInfo",
                                 "AwaitWrite",  "AwaitReply",  "InfoReceived",  "SelectMode",  "SendCommand",
                                 "CommandDone", "SendTest",    "TestDone",      "SendUpdate",  "UpdateReply",
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

Exchange::Exchange(TfrmMain& form) : f_(form) {
  f_.tmrSearch.OnTimer = [this] { tmrSearchTimer(); };
}

Exchange::~Exchange() {
  if (opener_.joinable()) opener_.join();
}

void Exchange::Start(Operation op) {
  if (Running()) return;
  requested = op;
  answered = false;
  if (op == Operation::Search || op == Operation::DeviceCommand) attempt = -1;
  readingEnabled = true;
  const std::string port = f_.Modules->ports->SelectedPortName();
  ActiveLink = findLink && !port.empty() ? findLink(port) : nullptr;
  if (ActiveLink) {
    ActiveLink->SetPortName(port);
    if (opener_.joinable()) opener_.join();
    openerRunning_ = true;
    if (synchronousOpen) {
      ActiveLink->Open();
      openerRunning_ = false;
    } else {
      try {
        Link* link = ActiveLink;
        opener_ = std::thread([this, link] {
          link->Open();
          openerRunning_ = false;
        });
      } catch (const std::system_error&) {
        openerRunning_ = false;
        ActiveLink = nullptr;
      }
    }
  }
  if (!ActiveLink) {
    Finish();
    return;
  }
  f_.pcOptions.SetEnabled(false);
  f_.cbCOM.SetEnabled(false);
  f_.edCOM.SetText(f_.cbCOM.Text());
  f_.bpConnect.SetWidth(f_.btSearch.Width());
  f_.bpConnect.Vertical = false;
  f_.bpConnect.MarqueeInterval = 25;
  f_.bpConnect.SetStyle(ui::TProgressBar::Style::Marquee);
  f_.bpConnect.SetVisible(true);
  state = ExchangeState::Opening;
  f_.tmrSearch.SetInterval(10);
  f_.tmrSearch.SetEnabled(true);
}

void Exchange::tmrSearchTimer() {
  f_.tmrSearch.SetEnabled(false);
  if (readingEnabled && ActiveLink && ActiveLink->IsOpen() && ActiveLink->BytesAvailable() > 0) {
    Bytes chunk;
    ActiveLink->ReadAvailable(chunk);
    rxBuffer += chunk;
    silence = 200;
  }
  if (Step()) {
    f_.tmrSearch.SetInterval(10);
    f_.tmrSearch.SetEnabled(true);
  }
}

void Exchange::SendAndAwait(const std::string& command, ExchangeState success, ExchangeState timeout) {
  if (ActiveLink) ActiveLink->Write(command);
  ++commandsSent;
  successState = success;
  timeoutState = timeout;
  state = ExchangeState::AwaitWrite;
}

void Exchange::FailMessage(const std::string& text) { f_.AppMessageBox("Error...", text, mb::IconError); }

bool Exchange::Step() {
  Identity& identity = *f_.Modules->identity;
  for (;;) {
    switch (state) {
      case ExchangeState::Idle:
        return false;
      case ExchangeState::Opening:
        if (openerRunning_) return true;
        if (opener_.joinable()) opener_.join();
        f_.pcOptions.SetEnabled(true);
        f_.bpConnect.SetVisible(false);
        state = ExchangeState::Starting;
        continue;
      case ExchangeState::Starting: {
        if (!ActiveLink || !ActiveLink->IsOpen()) {
          FailMessage("Can't open Communication Port " + f_.cbCOM.Text());
          f_.edCOM.SetText("");
          Finish();
          return false;
        }
        f_.bpConnect.MarqueeInterval = 10;
        f_.bpConnect.SetVisible(true);
        for (ui::TControl* c : std::initializer_list<ui::TControl*>{
                 &f_.pcOptions, &f_.gbOptions, &f_.lvModes, &f_.btModeSelect, &f_.btCopy, &f_.btSearch,
                 &f_.btModeHide, &f_.cbShow, &f_.btModeFile, &f_.btModeFileDel, &f_.btModeRun, &f_.cbCOM,
                 &f_.btPortProp, &f_.btUpdateRun})
          c->SetEnabled(false);
        f_.memLog.Clear();
        rxBuffer.clear();
        frameOpen = false;
        livePosition = 3;
        switch (requested) {
          case Operation::Search: state = ExchangeState::ResetInfo; break;
          case Operation::SelectMode: state = ExchangeState::SelectMode; break;
          case Operation::SelfTest: state = ExchangeState::SendTest; break;
          case Operation::Update: state = ExchangeState::SendUpdate; break;
          case Operation::UpdateNoSearch: state = ExchangeState::StartUpdate; break;
          case Operation::DeviceCommand: state = ExchangeState::SendCommand; break;
          case Operation::None: Finish(); return false;
        }
        return true;
      }
      case ExchangeState::ResetInfo:
        identity.ClearIdentity();
        state = ExchangeState::SendInfo;
        return true;
      case ExchangeState::SendInfo:
        if (++attempt >= 4) {
          attempt = 0;
          state = ExchangeState::NotFound;
        } else {
          SendAndAwait(std::string(proto::kCommandPrefix) + "I", ExchangeState::InfoReceived, ExchangeState::SendInfo);
        }
        return true;
      case ExchangeState::AwaitWrite:
        if (ActiveLink && ActiveLink->PendingWrite() > 0) return true;
        silence = 100;
        state = ExchangeState::AwaitReply;
        continue;
      case ExchangeState::AwaitReply: {
        DropNoise(rxBuffer, frameOpen);
        if (livePane && frameOpen && renderLive) renderLive();
        Bytes body;
        if (TakeReplyFrame(rxBuffer, frameOpen, body)) {
          replyBody = std::move(body);
          answered = true;
          state = successState;
        } else if (silence-- == 1) {
          state = timeoutState;
        }
        return true;
      }
      case ExchangeState::InfoReceived:
        f_.memLog.AddLine(replyBody);
        identity.ParsePane(f_.memLog);
        Finish();
        return false;
      case ExchangeState::SelectMode:
        commandSuffix = "M" + f_.Modules->modes->RememberedId();
        commandWait = true;
        f_.Modules->modes->Clear();
        state = ExchangeState::SendCommand;
        continue;
      case ExchangeState::SendCommand: {
        const std::string command = std::string(proto::kCommandPrefix) + commandSuffix;
        f_.edCOMM_Command.SetText(command);
        if (commandWait) {
          SendAndAwait(command, ExchangeState::CommandDone, ExchangeState::NotFound);
          return true;
        }
        if (ActiveLink) ActiveLink->Write(command);
        ++commandsSent;
        if (auto* loop = ui::EventLoop::Current()) loop->Sleep(500);
        Finish();
        return false;
      }
      case ExchangeState::CommandDone:
        if (commandDone) commandDone(replyBody);
        f_.memLog.SetText(replyBody);
        identity.ParsePane(f_.memLog);
        Finish();
        return false;
      case ExchangeState::SendTest:
        SendAndAwait(std::string(proto::kCommandPrefix) + "T" + f_.edTest_Params.Text(), ExchangeState::TestDone,
                     ExchangeState::NotFound);
        livePane = &f_.memLogTest;
        return true;
      case ExchangeState::TestDone:
        if (testDone) testDone();
        Finish();
        return false;
      case ExchangeState::SendUpdate:
        f_.pcOptions.SetEnabled(true);
        SendAndAwait(std::string(proto::kCommandPrefix) + "U", ExchangeState::UpdateReply, ExchangeState::NotFound);
        return true;
      case ExchangeState::UpdateReply:
        // What is left in the buffer after the reply frame is the adapter's answer to
        // entering its bootloader; an "ERROR" there ends the update.
        if (Contains(rxBuffer, "ERROR")) {
          f_.memUpdate.AddLine(rxBuffer);
          Finish();
          return false;
        }
        state = ExchangeState::StartUpdate;
        continue;
      case ExchangeState::StartUpdate:
        f_.pcOptions.SetEnabled(true);
        f_.memLog.SetText(replyBody);
        readingEnabled = false;
        state = ExchangeState::UpdateRunning;
        if (ActiveLink && startUpdater && startUpdater(*ActiveLink)) {
          f_.btUpdateRun.SetEnabled(true);
          return true;
        }
        continue;
      case ExchangeState::UpdateRunning:
        if (updaterRunning && updaterRunning()) return true;
        Finish();
        return false;
      case ExchangeState::NotFound:
        FailMessage(f_.ProductName + " Adapter is not found on Communication Port " + f_.cbCOM.Text());
        focusTarget = nullptr;
        Finish();
        return false;
    }
  }
}

void Exchange::Finish() {
  state = ExchangeState::Idle;
  f_.tmrSearch.SetEnabled(false);
  f_.btCopyTest.SetEnabled(!f_.memLogTest.Text().empty());
  f_.bpConnect.SetVisible(false);
  f_.bpConnect.SetStyle(ui::TProgressBar::Style::Normal);
  f_.pcOptions.SetEnabled(true);
  if (!f_.edBattery.Text().empty()) {
    f_.Modules->identity->SetBatteryText(f_.edBattery.Text());
    f_.btPower.SetEnabled(true);
  }
  for (ui::TControl* c : std::initializer_list<ui::TControl*>{&f_.gbOptions, &f_.lvModes, &f_.btSearch, &f_.cbShow,
                                                              &f_.cbCOM})
    c->SetEnabled(true);
  f_.btPortProp.SetEnabled(!f_.Modules->ports->SelectedDetail().empty());
  f_.btCopy.SetEnabled(!f_.memLog.Text().empty());
  if (updateButtons) updateButtons();
  if (ActiveLink) ActiveLink->Close();
  rxBuffer.clear();
  frameOpen = false;
  f_.btUpdateRun.SetCaption("Run");
  if (focusTarget) {
    focusTarget->SetFocus();
    if (focusTarget == &f_.lvModes && f_.lvModes.Count() > 0) {
      f_.SortList(f_.lvModes);
      if (ui::TListItem* s = f_.lvModes.Selected()) s->MakeVisible();
    }
  }
  focusTarget = nullptr;
  livePane = nullptr;
  livePosition = 3;
  commandDone = nullptr;
  if (f_.edSerial.Text().empty()) f_.edCOM.SetText("");
}

}  // namespace bx
