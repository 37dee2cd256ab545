#pragma once
// The adapter exchange: every request/reply with the adapter runs through it. It opens
// the link of the port chosen in cbCOM on an opener thread, sends one command, collects
// one framed reply step by step on tmrSearch (10 ms), hands the reply to the page that
// asked, closes the link and puts the window back to idle.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/Bytes.h"
#include "links/Link.h"
#include "ui/Controls.h"

namespace bx {

class PortList;
class Identity;
class WindowServices;
struct SettingsControls;
struct StatusControls;

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
};

const char* StateName(ExchangeState s);

// Takes a complete reply frame off the head of `buffer`: bytes before the first CR LF are
// noise and go; the frame ends at the first CR LF CR LF. Returns false (and leaves the
// buffer as it is, apart from dropped noise) while the frame is incomplete.
bool TakeReplyFrame(Bytes& buffer, bool& frameOpen, Bytes& body);
// The same for a buffer that grows by chunks: `searched` (0 to begin with, kept by the
// caller) remembers how far the open frame was searched for its end, so a long reply is
// not searched again from its start with every chunk.
bool TakeReplyFrame(Bytes& buffer, bool& frameOpen, Bytes& body, std::size_t& searched);

// What a page hands the exchange to start it.
struct ExchangeRequest {
  Operation operation = Operation::None;
  std::string commandSuffix;            // SelectMode, SelfTest, DeviceCommand: the text after the prefix
  bool wait = false;                    // DeviceCommand: wait for the reply frame
  ui::TControl* focusTarget = nullptr;  // focused when the exchange ends
  ui::TMemo* livePane = nullptr;        // SelfTest: the pane the reply is shown in as it comes
  // DeviceCommand, before the parse: the page that sent the command sees its reply (the
  // WiFi and System pages echo it into their own log).
  std::function<void(const Bytes& body)> commandDone;
};

// Where the live pane's rendering stands in the receive buffer (1-based position of the
// next byte; the pane line a bare CR returns to, plus one, or 0).
struct LiveCursor {
  int position = 3;
  int overwriteLine = 0;
};

class Exchange {
 public:
  // The exchange drives the Settings page, the status strip and the page control (it
  // holds the window while the adapter is busy); `productName` names the adapter in the
  // not-found message.
  Exchange(SettingsControls& page, StatusControls& status, ui::TPageControl& pages, ui::TTimer& tmrSearch,
           WindowServices& window, const std::string& productName, PortList& ports, Identity& identity);
  ~Exchange();

  // Starts an exchange on the port selected in cbCOM; false (and nothing changes) while
  // another exchange runs.
  bool Start(ExchangeRequest request);
  void tmrSearchTimer();
  bool Running() const { return state_ != ExchangeState::Idle; }
  ExchangeState State() const { return state_; }
  // The focus target of the running exchange (nullptr when idle).
  const ui::TControl* FocusTarget() const { return request_.focusTarget; }
  // Whether the last exchange received a complete reply frame.
  bool Answered() const { return answered_; }
  // Commands written, for the hidden edCOMM_Command and for tests.
  int CommandsSent() const { return commandsSent_; }
  // The link of the last exchange; stays set after the exchange ends, closed.
  Link* ActiveLink() const { return activeLink_; }
  // Closes and forgets the active link and the link source (the link table goes).
  void DropLinks();

  // Seams filled by the link table, the updater, the self-test and the pages.
  std::function<Link*(const std::string& port)> findLink;
  std::function<bool(Link& link)> startUpdater;  // StartUpdate: true when the upload began
  std::function<bool()> updaterRunning;
  // AwaitReply with a live pane (self-test output): the bytes received so far.
  std::function<void(ui::TMemo& pane, const Bytes& rx, LiveCursor& cursor)> renderLive;
  std::function<void()> testDone;  // TestDone: the verdict
  // UpdateReply: the adapter refused to enter its bootloader (what it answered).
  std::function<void(const Bytes& answer)> updateRefused;
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
  void OpenLink(const std::string& port);
  void ShowBusy();
  void SendAndAwait(const std::string& command, ExchangeState success, ExchangeState timeout);
  void Finish();
  void RestoreControls();
  void FailMessage(const std::string& text);
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

  SettingsControls& c_;
  StatusControls& status_;
  ui::TPageControl& pages_;
  ui::TTimer& tmrSearch_;
  WindowServices& window_;
  const std::string& productName_;
  PortList& ports_;
  Identity& identity_;

  ExchangeRequest request_;
  ExchangeState state_ = ExchangeState::Idle;
  ExchangeState successState_ = ExchangeState::Idle, timeoutState_ = ExchangeState::Idle;
  int attempt_ = -1;
  int silence_ = 0;
  Bytes rxBuffer_;
  bool frameOpen_ = false;
  std::size_t frameSearched_ = 0;  // bytes of the open frame searched for its end
  Bytes replyBody_;
  LiveCursor live_;
  bool readingEnabled_ = false;
  Link* activeLink_ = nullptr;
  int commandsSent_ = 0;
  bool answered_ = false;

  std::vector<std::function<void()>> taken_, released_;

  std::thread opener_;
  std::atomic<bool> openerRunning_{false};
};

}  // namespace bx
