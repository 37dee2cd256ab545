#pragma once
// A bootloader at the far end of a ScriptedLink. It answers at once, the next request in
// the same chunk as each acknowledgement, as a real one sends them; it checks every
// checksum and keeps the pages it was sent.
//
//   bx::test::ScriptedBootloader boot(link);
//   boot.nakPages[3] = 2;   // page 3 is refused twice, then written
//   boot.Attach();          // or call Feed() from your own onWrite
//   ... upload ...
//   EXPECT_EQ(boot.stored, file.substr(80, 256 * pages));
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/Bytes.h"
#include "support/ScriptedLink.h"
#include "ui/Controls.h"

namespace bx::test {

class ScriptedBootloader {
 public:
  explicit ScriptedBootloader(ScriptedLink& link) : link_(link) {}

  // ---- script ----------------------------------------------------------------------
  uint16_t pageSize = 256;
  std::string serial = "12345678", id = "AB";
  bool expectExtension = false;      // silent after the header until 184 more bytes came
  std::map<uint16_t, int> nakPages;  // page -> how many receipts of it are answered "-"
  int quietAfterPage = -1;           // acknowledges this page, then says nothing more

  // Makes the bootloader the link's only far end (replaces onWrite).
  void Attach();
  // Bytes the program wrote; every whole frame among them is answered.
  void Feed(const Bytes& bytes);
  void Prompt();             // ">"
  void PromptAfter(int ms);  // ">" after ms of virtual time (a timer of the current loop)

  // ---- what happened ---------------------------------------------------------------
  Bytes header, extension, stored;  // stored: the pages written, in order
  int badFrames = 0, naks = 0;
  bool finished = false;  // the end frame was acknowledged

 private:
  enum class State { Idle, Header, Extension, Pages, Done };
  void Reply(const Bytes& bytes) { link_.Receive(bytes); }
  bool Step();  // handles one frame at the head of the buffer; false when none is whole
  bool PageFrame();
  void HeaderDone();

  ScriptedLink& link_;
  State state_ = State::Idle;
  Bytes buf_;
  uint16_t expected_ = 0;
  bool quiet_ = false;
  std::unique_ptr<ui::TTimer> promptTimer_;
};

}  // namespace bx::test
