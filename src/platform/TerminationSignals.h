#pragma once
// For a program that serves until it is told to end (SIGINT or SIGTERM on POSIX). Writes
// to a peer that has gone never end the program.
#include <functional>
#include <memory>

namespace bx {

// Call on the main thread before any other thread starts: the threads inherit the block.
void BlockTerminationSignals();
// Blocks the calling thread until one arrives; answers the signal number.
int WaitForTerminationSignal();

// The exit status a shell reports for a program the signal ended (130 for SIGINT, 143
// for SIGTERM): a program that ends by itself after such a signal exits with it.
int TerminationExitCode(int signal);
const char* TerminationSignalName(int signal);  // "SIGINT", "SIGTERM"
// Ends the process at once by `signal`, as if it had never been blocked: the default
// action, so the parent sees the process killed by it. Any thread may call it.
[[noreturn]] void EndBySignal(int signal);

// Watches for the termination signals on a thread of its own, for a program that wants
// to wind down in order on the first one. Needs BlockTerminationSignals first (otherwise
// the default action ends the process before the watch sees anything). `onSignal` runs
// on the watch's thread, once per signal, with the signal number; it must only hand the
// news on (an atomic, a post to the event loop) or call EndBySignal. Destroying the
// watch stops and joins its thread; a signal that comes after that stays pending.
class TerminationWatch {
 public:
  explicit TerminationWatch(std::function<void(int signal)> onSignal);
  ~TerminationWatch();
  TerminationWatch(const TerminationWatch&) = delete;
  TerminationWatch& operator=(const TerminationWatch&) = delete;
  bool Running() const;  // false when the system gave no thread or descriptor for it

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace bx
