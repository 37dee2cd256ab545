#pragma once
// The adapter channel: one request and its framed reply over one link. It owns the link's
// open (on an opener thread, since a connect may take seconds) and its close, takes what
// the link has received into a bounded buffer, and tells, tick by tick, whether the reply
// frame is complete or the adapter fell silent. Whoever holds a channel steps it from a
// 10 ms timer on the main thread: the window's exchange, the command line's batch flash.
#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <thread>

#include "core/Bytes.h"
#include "links/Link.h"

namespace bx {

// Takes a complete reply frame off the head of `buffer`: bytes before the first CR LF are
// noise and go; the frame ends at the first CR LF CR LF. Returns false (and leaves the
// buffer as it is, apart from dropped noise) while the frame is incomplete.
bool TakeReplyFrame(Bytes& buffer, bool& frameOpen, Bytes& body);
// The same for a buffer that grows chunk by chunk: the frame end is looked for only from
// `searched` on (the bytes of the open frame already looked at, less the three that could
// begin a CR LF CR LF split across reads), which it moves on. Start with 0; it goes back
// to 0 whenever a frame opens or is taken.
bool TakeReplyFrame(Bytes& buffer, bool& frameOpen, Bytes& body, std::size_t& searched);

// What one exchange keeps of the adapter's bytes: far beyond any real reply (a few
// kilobytes), so that a frame that never ends cannot take the memory of the machine.
inline constexpr std::size_t kMaxReplyBytes = std::size_t{1} << 20;

// Ticks of silence allowed: after a command has left, and after every chunk received.
inline constexpr int kFirstAnswerTicks = 100;
inline constexpr int kSilenceTicks = 200;

// After an upload that did not end well the adapter may still sit in its bootloader,
// which answers no adapter command; Reset restarts it.
inline constexpr const char* kBootloaderHint =
    "The adapter may still be in its bootloader: \"Reset\" on the Update page restarts it.";

class AdapterChannel {
 public:
  AdapterChannel() = default;
  ~AdapterChannel() { JoinOpener(); }
  AdapterChannel(const AdapterChannel&) = delete;
  AdapterChannel& operator=(const AdapterChannel&) = delete;

  // Opens `link` for `port`: on the opener thread, or inline with `synchronous` (tests in
  // virtual time). False when no thread could be had: the channel then has no link.
  bool Open(Link* link, const std::string& port, bool synchronous);
  bool Opening() const { return openerRunning_.load(); }
  // Once Opening() is false: waits for the opener thread to be gone.
  void JoinOpener();
  Link* ActiveLink() const { return link_; }
  bool IsOpen() const { return link_ && link_->IsOpen(); }
  void Close();
  // Closes and forgets the link, once its open is over.
  void Drop();

  // Whether received bytes are taken (off while the updater has the link).
  void SetReading(bool on) { reading_ = on; }
  // Drains the link into the buffer. Every chunk refills the silence allowance, also one
  // that is dropped because the buffer already holds kMaxReplyBytes.
  void Receive();

  // Writes a command and waits for its reply frame.
  void Send(const Bytes& command);
  // Writes a command that is not answered.
  void Write(const Bytes& command);
  int CommandsSent() const { return commandsSent_; }

  enum class Await { Writing, Waiting, Frame, Silent };
  // One tick of the wait: the command still leaving, the frame still incomplete, the
  // frame taken (Body()), or the adapter silent for too long. Whole lines of the open
  // frame go to `echoLine` each once as they arrive; when it falls silent also the
  // unfinished last one.
  Await Step(const std::function<void(const std::string&)>& echoLine);
  // Whether the command sent is still being written; once it has left, the wait for its
  // reply begins (and this stays false).
  bool Leaving();
  // Noise before a frame goes; true once a frame has begun.
  bool FrameBegun();
  const Bytes& Received() const { return rx_; }
  const Bytes& Body() const { return body_; }
  void ClearReceived();
  // Bytes dropped beyond kMaxReplyBytes since the last ResetDropped.
  std::size_t Dropped() const { return dropped_; }
  void ResetDropped() { dropped_ = 0; }

 private:
  void EchoLines(const std::function<void(const std::string&)>& echoLine, bool all);

  Link* link_ = nullptr;
  std::thread opener_;
  std::atomic<bool> openerRunning_{false};
  bool reading_ = false;
  Bytes rx_, body_;
  bool frameOpen_ = false;
  std::size_t searched_ = 0;  // of the open frame, looked at for its end
  std::size_t echoed_ = 0;    // of the open frame, handed to echoLine
  std::size_t dropped_ = 0;
  int silence_ = 0;
  bool leaving_ = false;  // a command sent is still being written
  int commandsSent_ = 0;
};

// What to check when no adapter answered on a port, for the not-found message: the cable
// and power, the port, the right to open a serial device where a group grants it (the
// serial links' prefix "/dev/"), and the bootloader when an upload did not end well.
std::string NotFoundChecks(const std::string& port, const std::string& serialPrefix, bool bootloader);

}  // namespace bx
