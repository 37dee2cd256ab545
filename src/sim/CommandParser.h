#pragma once
// Cuts the byte stream from the program into adapter commands. A command is the prefix
// "!dulMAR_SC_", its letters and an argument, with no terminator: it ends as soon as its
// text cannot grow into another command ("I", "U", "WS"...), when the next prefix begins,
// or after a short silence ("S" might still become "SD...", "WC" might become "WC?...",
// "T" takes free parameters). Bytes outside a command are dropped.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/SimTime.h"

namespace bx::sim {

enum class Cmd {
  Identity,    // I
  Mode,        // M + ID
  Test,        // T + parameters
  Update,      // U
  Reset,       // R
  SysRead,     // S
  SysSet,      // SD%dW%dB%dN%d
  WifiRead,    // WC
  WifiSave,    // WC?pairs
  WifiScan,    // WS
  WifiUpdate,  // WU
  WifiErase,   // WE
  Driver,      // D
  Unknown,
};

const char* CommandName(Cmd c);  // "I", "M", ... "WC?", "D", "?"

struct Command {
  Cmd kind = Cmd::Unknown;
  std::string text;  // everything after the prefix
  std::string arg;   // mode ID, test parameters, "D..." of SD, pairs of WC?
  SimTime at{};      // arrival of its last byte
};

class CommandParser {
 public:
  // `modeIdIsFinal(id)` tells whether "M" + id can still grow into a longer mode ID.
  CommandParser(SimDuration gap, std::function<bool(const std::string&)> modeIdIsFinal);

  void Feed(char c, SimTime t, std::vector<Command>& out);
  std::optional<SimTime> Deadline() const;  // when silence ends the pending command
  void Expire(std::vector<Command>& out);   // the deadline has passed
  bool Idle() const { return buf_.empty(); }
  void Reset() { buf_.clear(); }

  static constexpr std::size_t kMaxCommand = 64 * 1024;

 private:
  enum class Verdict { Complete, NeedMore };
  Verdict Judge(std::string_view body) const;
  Command Classify(std::string_view body, SimTime t) const;

  SimDuration gap_;
  std::function<bool(const std::string&)> modeIdIsFinal_;
  std::string buf_;  // the prefix (or part of it) and the command's text so far
  SimTime last_{};
};

}  // namespace bx::sim
