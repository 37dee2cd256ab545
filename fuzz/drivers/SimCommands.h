#pragma once
// The simulator's side of the line: the command parser over bytes that arrive at any
// pace, and the whole engine (commands, their arguments, the bootloader) behind it.
// Every command handed out is one the stream held after a prefix, of bounded length,
// and classified as its text says.
#include <string_view>
#include <vector>

#include "Check.h"
#include "Input.h"
#include "core/Protocol.h"
#include "sim/AdapterModel.h"
#include "sim/CommandParser.h"
#include "sim/Engine.h"

namespace bx::fuzz {

inline constexpr sim::SimDuration kFuzzCommandGap = sim::Ms(20);

// Byte arrival times: mostly close together, now and then after a silence longer than
// the command gap.
inline std::vector<sim::SimTime> ArrivalTimes(std::size_t n, unsigned seed) {
  XorShift rng(seed);
  std::vector<sim::SimTime> at;
  sim::SimTime t{};
  for (std::size_t i = 0; i < n; ++i) {
    t += rng.Below(8) == 0 ? sim::Ms(1 + rng.Below(40)) : sim::Us(rng.Below(500));
    at.push_back(t);
  }
  return at;
}

inline void CheckCommand(const sim::Command& c) {
  Check(c.text.size() <= sim::CommandParser::kMaxCommand, "a command is of bounded length");
  const std::string name = sim::CommandName(c.kind);
  switch (c.kind) {
    case sim::Cmd::Unknown:
      break;
    case sim::Cmd::Identity:
    case sim::Cmd::Update:
    case sim::Cmd::Reset:
    case sim::Cmd::Driver:
    case sim::Cmd::SysRead:
    case sim::Cmd::WifiRead:
    case sim::Cmd::WifiScan:
    case sim::Cmd::WifiUpdate:
    case sim::Cmd::WifiErase:
      Check(c.text == name, "a command without argument is its name alone");
      break;
    case sim::Cmd::Mode:
    case sim::Cmd::Test:
    case sim::Cmd::WifiSave:
      Check(c.text == name + c.arg, "an argument is what follows the command's name");
      break;
    case sim::Cmd::SysSet:
      Check(c.text == "S" + c.arg && StartsWith(c.arg, "D"), "the options command keeps its D");
      break;
  }
}

inline void DriveCommandParser(std::string_view stream, unsigned seed) {
  const std::vector<sim::SimTime> at = ArrivalTimes(stream.size(), seed);
  sim::AdapterModel model{sim::Scenario()};
  sim::CommandParser parser(kFuzzCommandGap, [&model](const std::string& id) { return model.ModeIdIsFinal(id); });
  std::vector<sim::Command> commands;
  for (std::size_t i = 0; i < stream.size(); ++i) {
    const std::optional<sim::SimTime> deadline = parser.Deadline();
    if (deadline && *deadline <= at[i]) parser.Expire(commands);
    parser.Feed(stream[i], at[i], commands);
  }
  parser.Expire(commands);
  Check(parser.Idle() && !parser.Deadline(), "the parser is idle once the silence has passed");
  // In stream order, each command sits right after a prefix.
  std::size_t from = 0;
  for (const sim::Command& c : commands) {
    CheckCommand(c);
    const std::size_t p = stream.find(Bytes(proto::kCommandPrefix) + c.text, from);
    Check(p != std::string_view::npos, "a command is a prefix and text the stream held");
    if (p == std::string_view::npos) break;
    from = p + proto::kCommandPrefix.size();
  }
}

// The engine with a default adapter: bytes in, everything due run, replies taken.
inline void DriveEngine(std::string_view stream, unsigned seed) {
  const std::vector<sim::SimTime> at = ArrivalTimes(stream.size(), seed);
  sim::AdapterModel model{sim::Scenario()};
  sim::Engine engine(model, sim::SimTime{});
  std::size_t out = 0;
  for (std::size_t i = 0; i < stream.size() && !engine.Disconnected(); ++i) {
    engine.Receive(stream.substr(i, 1), at[i]);
    engine.Advance(at[i]);
    out += engine.TakeOutput(at[i]).size();
  }
  // Long enough for the self-test log, the WiFi operations and any page timeout.
  const sim::SimTime end = (at.empty() ? sim::SimTime{} : at.back()) + sim::Ms(10000);
  engine.Advance(end);
  out += engine.TakeOutput(end).size();
  (void)out;
}

inline void DriveSimCommands(std::string_view input) {
  const unsigned seed = input.empty() ? 0 : static_cast<unsigned char>(input[0]);
  if (!input.empty()) input.remove_prefix(1);
  DriveCommandParser(input, seed);
  DriveEngine(input, seed);
}

}  // namespace bx::fuzz
