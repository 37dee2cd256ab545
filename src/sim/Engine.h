#pragma once
// The protocol engine of one connection: bytes from the program go in with the time they
// were read, replies come out with the time they may leave. It cuts commands, answers them
// from the model, hands the line to the bootloader after "U", and applies the scenario's
// faults (silence, noise, chunks, byte rate, trailing bytes, over-long replies,
// disconnects). It never reads a clock and never sleeps: the caller advances it.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/AdapterModel.h"
#include "sim/Bootloader.h"
#include "sim/CommandParser.h"
#include "sim/SimTime.h"
#include "sim/Wire.h"

namespace bx::sim {

class Engine {
 public:
  Engine(AdapterModel& model, SimTime start);
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  void Receive(std::string_view bytes, SimTime now);
  void Advance(SimTime now);      // runs everything due by `now`
  Bytes TakeOutput(SimTime now);  // the bytes that may leave by `now`
  // The next time Advance/TakeOutput has something to do; nothing when all is quiet.
  std::optional<SimTime> NextWake(SimTime now) const;

  bool Disconnected() const { return disconnected_; }  // the line is to be dropped
  bool InBootloader() const { return boot_ != nullptr; }
  std::size_t OutputQueued() const { return out_.Queued(); }

  // Bytes leave in batches no finer than this, except the last byte of what is queued.
  static constexpr SimDuration kGranularity = Us(500);

 private:
  void Process(char c, SimTime t);
  void Handle(const Command& c);
  void HandleAdapter(const Command& c);
  void HandleOptions(const Command& c);
  bool Silenced(const Command& c);
  void Reply(std::vector<std::string> lines, SimTime t);
  // Sends one piece of a reply: noise goes before the first, trailing bytes after the last.
  void SendPiece(Bytes piece, SimTime t, bool first, bool last);
  void SendRaw(const Bytes& bytes, SimTime t);
  void Schedule(SimTime t, std::function<void(SimTime)> fn);
  void StartTest(const Command& c);
  void EnterBootloader(SimTime t);
  void Drop();
  Bytes FrameEnd() const;  // the over-long filler, if any, and the closing CR LF

  AdapterModel& m_;
  Wire in_, out_;
  CommandParser parser_;
  std::unique_ptr<Bootloader> boot_;
  std::multimap<SimTime, std::function<void(SimTime)>> timers_;
  bool disconnected_ = false;
};

// CR LF, each line with CR LF, one more CR LF.
Bytes Frame(const std::vector<std::string>& lines);

}  // namespace bx::sim
