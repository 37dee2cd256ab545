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

#include "core/Bytes.h"
#include "links/Link.h"
#include "ui/Controls.h"

namespace bx {

class TfrmMain;

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

class Exchange {
 public:
  explicit Exchange(TfrmMain& form);
  ~Exchange();

  // Starting an exchange for the requested operation on the port selected in cbCOM.
  void Start(Operation op);
  void tmrSearchTimer();
  bool Running() const { return state != ExchangeState::Idle; }

  // The exchange record.
  Operation requested = Operation::None;
  ExchangeState state = ExchangeState::Idle;
  ExchangeState successState = ExchangeState::Idle, timeoutState = ExchangeState::Idle;
  int attempt = -1;
  int silence = 0;
  Bytes rxBuffer;
  bool frameOpen = false;
  Bytes replyBody;
  ui::TMemo* livePane = nullptr;
  int livePosition = 3;
  int overwriteLine = 0;
  ui::TControl* focusTarget = nullptr;
  bool readingEnabled = false;
  std::string commandSuffix;
  bool commandWait = false;
  Link* ActiveLink = nullptr;  // stays set after the exchange ends, closed

  // Seams filled by the link table, the updater, the self-test and the pages.
  std::function<Link*(const std::string& port)> findLink;
  std::function<bool(Link& link)> startUpdater;  // StartUpdate: true when the upload began
  std::function<bool()> updaterRunning;
  std::function<void()> renderLive;  // AwaitReply with a live pane (self-test output)
  std::function<void()> testDone;    // TestDone: the verdict
  std::function<void()> updateButtons;  // the Update page's Run-button rule
  // CommandDone, before the parse: the page that sent the device command sees its reply
  // (the WiFi and System pages echo it into their own log). Cleared when the exchange ends.
  std::function<void(const Bytes& body)> commandDone;

  // Commands written, for the hidden edCOMM_Command and for tests.
  int commandsSent = 0;
  // Whether the last exchange received a complete reply frame.
  bool answered = false;
  // Tests in virtual time open the link inline instead of on the opener thread.
  bool synchronousOpen = false;

 private:
  bool Step();  // one state step; false when the exchange has ended
  void SendAndAwait(const std::string& command, ExchangeState success, ExchangeState timeout);
  void Finish();
  void OpenerDone();
  void FailMessage(const std::string& text);

  TfrmMain& f_;
  std::thread opener_;
  std::atomic<bool> openerRunning_{false};
};

}  // namespace bx
