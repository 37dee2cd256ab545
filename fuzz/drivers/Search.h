#pragma once
// The whole Search: the identity command goes out, the reply comes back in chunks one
// poll tick apart, the exchange frames it and the identity parser fills the window. It
// must end within the exchange's own bounds whatever the adapter sends.
#include <string_view>

#include "Input.h"
#include "Window.h"
#include "window/Modules.h"
#include "core/Protocol.h"
#include "exchange/Exchange.h"
#include "modes/ModeList.h"

namespace bx::fuzz {

// Four attempts of at most 200 silent ticks each, with room to spare. While bytes keep
// coming the exchange waits on (a self-test log may take long), so the bound counts the
// ticks after the last chunk.
inline constexpr int kSearchTickBound = 4 * 210 + 50;

inline void DriveSearch(std::string_view input) {
  WindowWorld w;
  const std::vector<Bytes> chunks = CutIntoChunks(input);
  std::size_t next = 0;
  bool asked = false;
  w.link.onWrite = [&](const Bytes& command) { asked = asked || command == Bytes(proto::kCommandPrefix) + "I"; };
  w.form->btSearch.Click();
  int quiet = 0;
  while (w.Ex().Running() && quiet < kSearchTickBound) {
    if (asked && next < chunks.size())
      w.link.Receive(chunks[next++], false);
    else
      ++quiet;
    w.loop.Advance(10);
  }
  Check(!w.Ex().Running(), "a Search ends within its attempts once the adapter is quiet");
  Check(!w.link.IsOpen(), "the link is closed after a Search");
  const ModeList& modes = *w.form->Modules->modes;
  Check(modes.idLength >= 0 && modes.idLength <= 3, "a mode ID has 1 to 3 characters");
}

}  // namespace bx::fuzz
