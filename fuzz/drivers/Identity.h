#pragma once
// The identity parser on memLog holding any text, and the mode-line test, which must
// agree with the simulator's own reading of a mode line.
#include <string_view>

#include "Input.h"
#include "Window.h"
#include "app/Modules.h"
#include "exchange/Identity.h"
#include "modes/ModeList.h"
#include "sim/Scenario.h"

namespace bx::fuzz {

inline void CheckModeLine(const std::string& line) {
  const int length = ModeList::ModeIdLength(line);
  sim::ModeEntry entry;
  const bool isMode = sim::ParseModeLine(line, entry);
  Check(length >= 0 && length <= 3, "a mode ID has 1 to 3 characters");
  Check(isMode == (length > 0), "the program and the simulator agree on what a mode line is");
  Check(!isMode || entry.id.size() == static_cast<std::size_t>(length), "and on the length of its ID");
}

inline void DriveIdentity(std::string_view input) {
  WindowWorld w;
  TfrmMain& f = *w.form;
  f.memLog.SetText(std::string(input));
  const int before = f.memLog.LineCount();
  for (const std::string& line : f.memLog.Lines()) CheckModeLine(line);
  f.Modules->identity->ParsePane(f.memLog);
  Check(f.memLog.LineCount() <= before, "parsing only removes lines from memLog");
  Check(f.lvModes.Count() <= before, "no more modes than lines");
}

}  // namespace bx::fuzz
