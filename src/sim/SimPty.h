#pragma once
// The simulated adapter on a pseudo-terminal: the slave path is the port the program opens.
// Runs on its own thread. The simulator keeps the master and one slave descriptor of its
// own open, so the program may open, close and reopen the port as often as it likes; a
// watch on the slave tells when the program has it open, so that what it left unread is
// dropped and an exclusive-open flag it forgot is cleared when it lets go, as a real port's
// driver would. A "disconnect" fault hangs the line up: the pair is closed (the program
// sees the device vanish) and a new one is made, under a new slave path.
#include <memory>
#include <string>

#include "sim/Adapter.h"

namespace bx::sim {

// How a program lists the simulator's port.
inline constexpr const char* kPortDescription = "Simulated Brevantix Adapter";

class PtyAdapter {
 public:
  explicit PtyAdapter(Scenario s = Scenario());
  explicit PtyAdapter(std::shared_ptr<Adapter> adapter);
  ~PtyAdapter();
  PtyAdapter(const PtyAdapter&) = delete;
  PtyAdapter& operator=(const PtyAdapter&) = delete;

  bool Start(std::string* error = nullptr);
  void Stop();
  bool Running() const;

  std::string SlavePath() const;  // "/dev/pts/N"; empty before Start
  int Generation() const;         // +1 each time the line was hung up and made anew
  bool ClientOpen() const;        // someone other than the simulator has the slave open

  Adapter& adapter() { return *adapter_; }
  std::shared_ptr<Adapter> shared() { return adapter_; }

 private:
  struct Impl;
  std::shared_ptr<Adapter> adapter_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace bx::sim
