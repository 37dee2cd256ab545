#pragma once
// The adapter exchange: every request/reply of the window with the adapter runs through
// it. It takes the port chosen in cbCOM, has its channel open the link, send one command
// and collect one framed reply step by step on tmrSearch (10 ms), hands the reply to the
// page that asked, closes the link and puts the window back to idle.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Bytes.h"
#include "exchange/ExchangeHooks.h"
#include "links/Link.h"
#include "links/LinkFinder.h"
#include "session/AdapterChannel.h"
#include "ui/Controls.h"

namespace bx {

class AdapterSession;
class PortList;
class Identity;
class WindowServices;
struct SettingsControls;

enum class Operation : uint8_t { None, Search, SelectMode, SelfTest, Update, UpdateNoSearch, DeviceCommand };

enum class ExchangeState : uint8_t {
  Idle,
  Opening,
  Starting,
  ResetInfo,
  SendInfo,
  AwaitWrite,
  AwaitReply,
  InfoReceived,
  SelectMode,
  SendCommand,
  CommandDone,
  SendTest,
  TestDone,
  SendUpdate,
  UpdateReply,
  StartUpdate,
  UpdateRunning,
  NotFound,
  CommandPause,
};

const char* StateName(ExchangeState s);

// The line a page logs when it refuses an action because another exchange holds the
// adapter (nothing is sent and the page keeps what it shows).
std::string BusyRefusal(const std::string& action);

// What a page hands the exchange to start it.
struct ExchangeRequest {
  Operation operation = Operation::None;
  std::string commandSuffix;            // SelectMode, SelfTest, DeviceCommand: the text after the prefix
  bool wait = false;                    // DeviceCommand: wait for the reply frame
  ui::TControl* focusTarget = nullptr;  // focused when the exchange ends
  ui::TMemo* livePane = nullptr;        // SelfTest: the pane the reply is shown in as it comes
  // DeviceCommand: the reply's lines as they arrive, each whole line once; on a time-out
  // also the unfinished last one (the WiFi and System pages echo them into their log).
  std::function<void(const std::string& line)> echoLine;
  // Every ending, after the window has been given back: whether a complete reply came.
  std::function<void(bool answered)> finished;
};

// Where the live pane's rendering stands in the receive buffer (1-based position of the
// next byte; the pane line a bare CR returns to, plus one, or 0).
struct LiveCursor {
  int position = 3;
  int overwriteLine = 0;
};

class Exchange {
 public:
  // The exchange shows the reply on the Settings page and tells `view` where it is (the
  // window's presenter holds the controls while the adapter is busy); `productName` names
  // the adapter in the not-found message.
  // The exchange runs the session's operations: it begins each one there, and ends every
  // one but an upload (whose result is the updater's) with whether the adapter answered.
  Exchange(AdapterSession& session, SettingsControls& page, ExchangeView& view, ui::TTimer& tmrSearch,
           WindowServices& window, const std::string& productName, PortList& ports, Identity& identity);
  ~Exchange();

  // Starts an exchange on the port selected in cbCOM; false (and nothing changes) while
  // another exchange runs. The port is taken now: the exchange's messages and the recent
  // port it records name it, whatever a port-list rebuild selects meanwhile.
  bool Start(ExchangeRequest request);
  void tmrSearchTimer();
  bool Running() const { return state_ != ExchangeState::Idle; }
  ExchangeState State() const { return state_; }
  // The focus target of the running exchange (nullptr when idle).
  const ui::TControl* FocusTarget() const { return request_.focusTarget; }
  // Whether the last exchange received a complete reply frame.
  bool Answered() const { return answered_; }
  // Whether the last exchange handed its link to the updater: the adapter was then in
  // its bootloader or on its way there.
  bool HandedToUpdater() const { return handedToUpdater_; }
  // Set while the adapter is likely to be left in its bootloader (by the Update page);
  // "not found" then says that Reset is the cure. A search that finds the adapter clears it.
  bool bootloaderHint = false;
  // Commands written, for the hidden edCOMM_Command and for tests.
  int CommandsSent() const { return channel_.CommandsSent(); }
  // The link of the last exchange; stays set after the exchange ends, closed.
  Link* ActiveLink() const { return channel_.ActiveLink(); }
  // The port of the running (or last) exchange: its port-list name.
  const std::string& PortName() const { return portName_; }
  // The adapter the exchanges talk to, as they left it.
  const AdapterSession& Session() const { return session_; }
  // Why the last exchange failed, in the words the user was shown.
  std::string Failure() const;
  // Bytes of the adapter's answer dropped beyond kMaxReplyBytes by the last exchange.
  std::size_t DroppedBytes() const { return channel_.Dropped(); }
  // At close, before the link table goes: waits for the opener thread, closes and forgets
  // the active link and the link source.
  void DropLinks();

  // Where the links come from (the window's link table; null: no port opens), the Test
  // page's live log and verdict, the Update page's updater.
  void Connect(LinkFinder* links) { links_ = links; }
  void Connect(LiveReply& live) { liveReply_ = &live; }
  void Connect(UploadStarter& uploads) { uploads_ = &uploads; }
  // The updater announces that the upload it began is over: the exchange finishes.
  void UploadEnded();
  // Pages that follow the window's busy state: `taken` runs when the port is open and
  // the exchange takes the window, `released` whenever an exchange ends, after the
  // exchange has put its own controls back.
  void Follow(std::function<void()> taken, std::function<void()> released);
  // Tests in virtual time open the link inline instead of on the opener thread.
  bool synchronousOpen = false;

 private:
  using Handler = bool (Exchange::*)();
  static const Handler kHandlers[];

  bool Step();  // one state step; false when the exchange has ended
  void SendAndAwait(const std::string& command, ExchangeState success, ExchangeState timeout);
  void Finish();
  void FailMessage(const std::string& text);
  void BeginOperation();
  void EndOperation();
  std::string Command(const std::string& suffix) const;

  // One handler per state: true when the step goes on at once (the state changed and the
  // next handler runs in this tick), false when the timer comes back. A handler that
  // ends the exchange sets state_ to Idle.
  bool OnIdle();
  bool OnOpening();
  bool OnStarting();
  bool OnResetInfo();
  bool OnSendInfo();
  bool OnAwaitWrite();
  bool OnAwaitReply();
  bool OnInfoReceived();
  bool OnSelectMode();
  bool OnSendCommand();
  bool OnCommandDone();
  bool OnSendTest();
  bool OnTestDone();
  bool OnSendUpdate();
  bool OnUpdateReply();
  bool OnStartUpdate();
  bool OnUpdateRunning();
  bool OnNotFound();
  bool OnCommandPause();

  AdapterSession& session_;
  SettingsControls& c_;
  ExchangeView& view_;
  ui::TTimer& tmrSearch_;
  WindowServices& window_;
  const std::string& productName_;
  PortList& ports_;
  Identity& identity_;
  LinkFinder* links_ = nullptr;
  LiveReply* liveReply_ = nullptr;
  UploadStarter* uploads_ = nullptr;

  ExchangeRequest request_;
  std::string portName_, portText_;
  ExchangeState state_ = ExchangeState::Idle;
  ExchangeState successState_ = ExchangeState::Idle, timeoutState_ = ExchangeState::Idle;
  int attempt_ = -1;
  int nextInterval_ = 10;  // ms until the next step
  LiveCursor live_;
  AdapterChannel channel_;
  int sentBefore_ = 0;   // commands sent when the exchange began
  std::string failure_;  // the message of the last failure
  bool answered_ = false;
  bool handedToUpdater_ = false;
  bool uploading_ = false;  // the updater runs the upload this exchange handed it

  std::vector<std::function<void()>> taken_, released_;
};

}  // namespace bx
