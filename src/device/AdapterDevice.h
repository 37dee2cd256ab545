#pragma once
// One adapter reached on one port without a window: its search, mode switch, self-test,
// hardware options, device commands and reset, each as the window's exchange runs it (the
// port opened for the operation and closed at its end, one command and its framed reply),
// with a link of its own and the adapter's state in a session. It steps from a 10 ms
// timer on the event loop it was made on; the command line and the scripting module run
// that loop until the operation has ended and read the typed result.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "links/Link.h"
#include "session/AdapterChannel.h"
#include "session/AdapterSession.h"
#include "session/DeviceRecords.h"
#include "session/ModeRows.h"
#include "ui/Controls.h"

namespace bx {

class Settings;

// What an operation shows while it runs.
class DeviceListener {
 public:
  virtual ~DeviceListener() = default;
  // A whole line of the reply, once, as it arrives (the self-test's log as it grows);
  // when the adapter falls silent also the unfinished last one.
  virtual void Line(const std::string& /*line*/) {}
  // The operation has ended; its result is the session's.
  virtual void Ended(bool /*ok*/) {}
};

// Why the last operation failed, as a kind a caller can act on.
enum class DeviceFailure : uint8_t {
  None,
  PortNotOpened,  // the port would not open (its reason is in the cause)
  PortBusy,       // another program holds the port
  NotFound,       // nothing answered on the port
  NotAnAdapter,   // a reply came, but it names no adapter
  NotTaken,       // the adapter answered, but did not do what was asked
  Stopped,        // Stop
};

class AdapterDevice {
 public:
  // `link` is the device's own, for `port` (null: the port cannot be opened); `portShown`
  // names it in messages; `productName` names the adapter in the not-found message. With
  // `settings` the device keeps there what the window's search keeps: the recent port of
  // every adapter it identifies, and the mode the adapter runs as the one last selected;
  // and the modes the user hid are left out of its mode list.
  AdapterDevice(std::unique_ptr<Link> link, std::string port, std::string portShown, std::string productName,
                DeviceListener* listener = nullptr, Settings* settings = nullptr);
  ~AdapterDevice();
  AdapterDevice(const AdapterDevice&) = delete;
  AdapterDevice& operator=(const AdapterDevice&) = delete;

  // Each begins an operation and returns false (and changes nothing) while one runs.
  // The identity: asked for up to four times; ok once an adapter named itself.
  bool Search();
  // "M" and the mode ID: the adapter answers with its mode list, the running mode marked.
  bool SelectMode(const std::string& id);
  // "T" and the parameters: the log comes line by line while the test runs.
  bool SelfTest(const std::string& params = {});
  // "S", and the command that sets all four options; the reply's "SI:" line tells what
  // the adapter has then.
  bool ReadSystem();
  bool SaveSystem(const SystemOptions& options);
  // Any command with its reply (the WiFi record's, say); without `wait` the command is
  // written, and the port closed half a second later.
  bool Command(const std::string& suffix, bool wait = true);
  // "R": the adapter restarts (also out of its bootloader); it answers nothing.
  bool Reset();
  // Ends the running operation at once, failed with the cause "stopped".
  void Stop();

  bool Running() const { return running_; }
  const AdapterSession& Session() const { return session_; }
  // For an operation run beside the device on its port while the device is idle (the
  // driver's installation), which begins and ends in the session.
  AdapterSession& Session() { return session_; }
  const std::string& Port() const { return port_; }
  const std::string& PortShown() const { return portShown_; }

  // The last operation's reply: whether a whole frame came, its body, and its lines.
  bool Answered() const { return answered_; }
  const std::string& Reply() const { return reply_; }
  std::vector<std::string> ReplyLines() const;
  // The adapter's modes as the Settings page lists them, from the last reply that listed
  // them (a search's or a mode switch's); with "Show ALL" the hidden ones too.
  ModeListing Modes() const;
  void SetShowAll(bool showAll) { showAll_ = showAll; }
  bool ShowAll() const { return showAll_; }

  // The hardware options as the adapter last reported them (none before it has).
  std::optional<SystemOptions> System() const;
  // The last self-test's log and verdict (no verdict when it had no answer).
  const std::vector<std::string>& TestLog() const { return testLog_; }
  const std::optional<TestCounts>& TestVerdict() const { return verdict_; }
  DeviceFailure Failure() const { return failure_; }
  // Bytes of the last answer dropped beyond kMaxReplyBytes.
  std::size_t Dropped() const { return channel_.Dropped(); }

  static constexpr int kStepMs = 10;
  // A command that is not answered: the time the adapter is given before the port closes.
  static constexpr int kUnansweredMs = 500;

 private:
  bool Begin(SessionPhase phase, std::string suffix, bool wait, int tries);
  void Tick();
  void Step();
  void Opened();
  void Send();
  void Received();
  void End(bool ok, const std::string& cause);
  void Fail(DeviceFailure kind, const std::string& cause);
  void TookModes(const std::vector<std::string>& lines);

  std::unique_ptr<Link> link_;
  std::string port_, portShown_, productName_;
  DeviceListener* listener_;
  Settings* settings_;
  bool showAll_ = false;
  std::vector<std::string> modeReply_;  // the lines of the last reply that listed the modes
  AdapterSession session_;
  AdapterChannel channel_;
  ui::TTimer timer_{"tmrDevice", kStepMs, false};
  std::string suffix_;
  bool wait_ = true;
  int tries_ = 1, attempt_ = 0;
  bool running_ = false, opened_ = false, awaiting_ = false, pausing_ = false;
  bool answered_ = false;
  DeviceFailure failure_ = DeviceFailure::None;
  std::string reply_;
  std::vector<std::string> testLog_;
  std::optional<TestCounts> verdict_;
};

}  // namespace bx
