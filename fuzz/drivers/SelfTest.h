#pragma once
// The adapter's self-test: its log arrives in chunks one poll tick apart and is shown
// live (CR LF new lines, a bare CR writing over the line), then judged. It must end once
// the adapter is quiet, and a log that was answered ends with its verdict line.
#include <string_view>

#include "Input.h"
#include "Window.h"
#include "window/Modules.h"
#include "exchange/Exchange.h"
#include "selftest/SelfTest.h"

namespace bx::fuzz {

// One attempt of at most 200 silent ticks, with room to spare.
inline constexpr int kSelfTestTickBound = 260;

inline void DriveSelfTest(std::string_view input) {
  WindowWorld w;
  TfrmMain& f = *w.form;
  const std::vector<Bytes> chunks = CutIntoChunks(input);
  std::size_t next = 0;
  bool asked = false;
  w.link.onWrite = [&](const Bytes& command) { asked = asked || StartsWith(command, "!dulMAR_SC_T"); };
  f.Modules->selftest->Run(f.btRunTest);
  int quiet = 0;
  while (w.Ex().Running() && quiet < kSelfTestTickBound) {
    if (asked && next < chunks.size())
      w.link.Receive(chunks[next++], false);
    else
      ++quiet;
    w.loop.Advance(10);
  }
  Check(!w.Ex().Running(), "a self-test ends once the adapter is quiet");
  w.loop.Advance(200);  // the live pane's repaint timer
  Check(!f.memLogTest.Updating(), "the live pane repaints again");
  if (w.Ex().Answered()) Check(StartsWith(f.memLogTest.Lines().back(), "RESULT : "), "an answered test is judged");
}

}  // namespace bx::fuzz
