#include "device/AdapterDevice.h"

#include <algorithm>

#include "core/Bytes.h"
#include "core/Protocol.h"
#include "settings/HiddenModes.h"

namespace bx {

namespace {
constexpr int kSearchTries = 4;

bool HasKey(const std::vector<std::string>& lines, ReplyKey key) {
  for (const std::string& line : RecordLines(lines))
    if (ReadReplyLine(line).key == key) return true;
  return false;
}
}  // namespace

AdapterDevice::AdapterDevice(std::unique_ptr<Link> link, std::string port, std::string portShown,
                             std::string productName, DeviceListener* listener, Settings* settings)
    : link_(std::move(link)),
      port_(std::move(port)),
      portShown_(std::move(portShown)),
      productName_(std::move(productName)),
      listener_(listener),
      settings_(settings) {
  timer_.OnTimer = [this] { Tick(); };
  session_.SetPort(port_);
}

AdapterDevice::~AdapterDevice() {
  timer_.SetEnabled(false);
  channel_.Drop();
}

bool AdapterDevice::Search() { return Begin(SessionPhase::Searching, "I", true, kSearchTries); }
bool AdapterDevice::SelectMode(const std::string& id) { return Begin(SessionPhase::Selecting, "M" + id, true, 1); }
bool AdapterDevice::SelfTest(const std::string& params) { return Begin(SessionPhase::SelfTest, "T" + params, true, 1); }
bool AdapterDevice::ReadSystem() { return Begin(SessionPhase::DeviceCommand, "S", true, 1); }
bool AdapterDevice::SaveSystem(const SystemOptions& options) {
  return Begin(SessionPhase::DeviceCommand, SystemSaveSuffix(options), true, 1);
}
bool AdapterDevice::Command(const std::string& suffix, bool wait) {
  return Begin(SessionPhase::DeviceCommand, suffix, wait, 1);
}
bool AdapterDevice::Reset() { return Begin(SessionPhase::DeviceCommand, "R", false, 1); }

std::vector<std::string> AdapterDevice::ReplyLines() const {
  return answered_ ? CrLfLines(reply_ + "\r\n") : std::vector<std::string>{};
}

ModeListing AdapterDevice::Modes() const {
  return ListModes(modeReply_, showAll_, [this](const ModeEntry& m) {
    return settings_ && HiddenInList(*settings_, m.id, m.description, m.line);
  });
}

// The page stores the mode the reply marks running as the one last selected.
void AdapterDevice::TookModes(const std::vector<std::string>& lines) {
  modeReply_ = lines;
  const ModeListing listing = Modes();
  session_.SetRunningMode(listing.running);
  if (settings_ && !listing.markedText.empty()) settings_->WriteSettingString("", "Mode", listing.markedText);
}

std::optional<SystemOptions> AdapterDevice::System() const {
  const auto& payload = session_.Identity().systemOptions;
  if (!payload) return std::nullopt;
  return ReadSystemOptions(*payload);
}

bool AdapterDevice::Begin(SessionPhase phase, std::string suffix, bool wait, int tries) {
  if (running_) return false;
  running_ = true;
  suffix_ = std::move(suffix);
  wait_ = wait;
  tries_ = tries;
  attempt_ = 0;
  opened_ = awaiting_ = pausing_ = answered_ = false;
  failure_ = DeviceFailure::None;
  reply_.clear();
  if (phase == SessionPhase::SelfTest) {
    testLog_.clear();
    verdict_.reset();
  }
  session_.SetPort(port_);
  session_.Begin(phase, phase);
  channel_.ResetDropped();
  channel_.SetReading(true);
  channel_.ClearReceived();
  if (!channel_.Open(link_.get(), port_, false)) {
    Fail(DeviceFailure::PortNotOpened, "Can't open Communication Port " + portShown_);
    return true;
  }
  timer_.SetInterval(kStepMs);
  timer_.SetEnabled(true);
  return true;
}

void AdapterDevice::Tick() {
  timer_.SetEnabled(false);
  channel_.Receive();
  Step();
  if (running_) timer_.SetEnabled(true);
}

void AdapterDevice::Step() {
  if (!opened_) {
    if (channel_.Opening()) return;
    channel_.JoinOpener();
    opened_ = true;
    Opened();
    return;
  }
  if (pausing_) {
    End(true, {});
    return;
  }
  if (!awaiting_) return;
  const auto echo = [this](const std::string& line) {
    if (listener_) listener_->Line(line);
  };
  switch (channel_.Step(echo)) {
    case AdapterChannel::Await::Writing:
    case AdapterChannel::Await::Waiting:
      return;
    case AdapterChannel::Await::Frame:
      awaiting_ = false;
      answered_ = true;
      Received();
      return;
    case AdapterChannel::Await::Silent:
      awaiting_ = false;
      if (++attempt_ < tries_) {
        Send();
        return;
      }
      // A self-test that fell silent keeps the log it had begun.
      if (session_.Operation() == SessionPhase::SelfTest && channel_.FrameBegun()) {
        const std::string& rx = channel_.Received();
        testLog_ = TestLogLines(rx.starts_with("\r\n") ? rx.substr(2) : rx);
      }
      Fail(DeviceFailure::NotFound, productName_ + " Adapter is not found on Communication Port " + portShown_);
      return;
  }
}

void AdapterDevice::Opened() {
  if (!channel_.IsOpen()) {
    const std::string reason = link_ ? link_->OpenFailureText() : std::string();
    Fail(link_ && link_->OpenFailedBusy() ? DeviceFailure::PortBusy : DeviceFailure::PortNotOpened,
         "Can't open Communication Port " + portShown_ + (reason.empty() ? "" : " (" + reason + ")"));
    return;
  }
  channel_.ClearReceived();
  // The record goes before a search, the mode list before a switch: what the adapter
  // says next is all of it.
  if (session_.Operation() == SessionPhase::Searching) session_.ClearIdentity();
  if (session_.Operation() == SessionPhase::Selecting) session_.ClearModes();
  Send();
}

void AdapterDevice::Send() {
  const Bytes command = std::string(proto::kCommandPrefix) + suffix_;
  if (!wait_) {
    channel_.Write(command);
    pausing_ = true;
    timer_.SetInterval(kUnansweredMs);
    return;
  }
  channel_.Send(command);
  awaiting_ = true;
}

void AdapterDevice::Received() {
  reply_ = channel_.Body();
  channel_.Close();
  const std::vector<std::string> lines = ReplyLines();
  switch (session_.Operation()) {
    case SessionPhase::Searching: {
      session_.TakeRecord(ReadIdentity(lines));
      TookModes(lines);
      if (!session_.Identified()) {
        Fail(DeviceFailure::NotAnAdapter, "the reply on " + portShown_ + " names no adapter (no serial number)");
        return;
      }
      session_.ShowPort(portShown_);
      if (settings_) settings_->RememberPort(port_ + " " + session_.Identity().serial);
      End(true, {});
      return;
    }
    case SessionPhase::SelfTest: {
      testLog_ = TestLogLines(reply_ + "\r\n");
      // The identity lines of the test log fill the identity, as a search's do.
      for (const std::string& line : RecordLines(testLog_)) session_.Take(ReadReplyLine(line), line);
      const TestCounts v = CountTestLog(JoinLines(testLog_));
      verdict_ = v;
      testLog_.push_back("RESULT : " + v.text);
      End(true, {});
      return;
    }
    default:
      break;
  }
  const bool hasModes = HasKey(lines, ReplyKey::Mode) || HasKey(lines, ReplyKey::SelectedMode);
  for (const std::string& line : RecordLines(lines)) session_.Take(ReadReplyLine(line), line);
  if (hasModes) TookModes(lines);
  if (suffix_ == "S" && !HasKey(lines, ReplyKey::SystemOptions)) {
    Fail(DeviceFailure::NotTaken, "No system settings in the adapter's reply");
    return;
  }
  if (suffix_.starts_with("SD")) {
    const std::optional<SystemOptions> now = System();
    const std::string reported = now ? SystemSaveSuffix(*now) : std::string();
    if (!HasKey(lines, ReplyKey::SystemOptions) || reported != suffix_) {
      Fail(DeviceFailure::NotTaken, "The adapter kept other settings: sent " + suffix_ + ", it reports " +
                                        (reported.empty() ? "none" : reported) + ".");
      return;
    }
  }
  End(true, {});
}

void AdapterDevice::Stop() {
  if (running_) Fail(DeviceFailure::Stopped, "stopped");
}

void AdapterDevice::Fail(DeviceFailure kind, const std::string& cause) {
  failure_ = kind;
  End(false, cause);
}

void AdapterDevice::End(bool ok, const std::string& cause) {
  timer_.SetEnabled(false);
  channel_.Drop();
  running_ = pausing_ = awaiting_ = false;
  session_.End(ok, cause);
  if (listener_) listener_->Ended(ok);
}

}  // namespace bx
