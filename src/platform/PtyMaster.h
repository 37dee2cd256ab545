#pragma once
// The master side of a pseudo-terminal, for a program that plays a serial device: the
// slave path is the port other programs open. The master keeps one slave descriptor of
// its own open, so clients may open, close and reopen the port as often as they like;
// where the system can tell, a watch reports each open and close of the slave by others.
// A hang-up is made by destroying the master (clients see the device vanish) and opening
// a new one, which gets a new slave path.
//
// Threads: Open may run on any thread; after that one thread at a time uses the object
// (the one that polls it). SlavePath is fixed for the object's life.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace bx {

class PtyMaster {
 public:
  enum class SlaveEvent { Opened, Closed };

  // A new pair, in raw mode from the start (nothing echoes or rewrites line ends before
  // a client sets the port up itself); nullptr and `error` when the system has none.
  static std::unique_ptr<PtyMaster> Open(std::string* error = nullptr);

  ~PtyMaster();
  PtyMaster(const PtyMaster&) = delete;
  PtyMaster& operator=(const PtyMaster&) = delete;

  const std::string& SlavePath() const { return path_; }

  // For PollHandles: readable with bytes from the client, hung up when the pair failed.
  std::intptr_t Handle() const { return master_; }
  // Readable when the slave was opened or closed by others; -1 when not watched.
  std::intptr_t WatchHandle() const { return watch_; }
  bool Watched() const { return watch_ >= 0; }
  // The opens and closes since the last call, in order; never blocks.
  std::vector<SlaveEvent> TakeSlaveEvents();

  // What the master wrote that no client has read is dropped, and an exclusive-open flag
  // a client left set is cleared: what a port's driver does when its user lets go.
  void ResetSlave();

  // False when the pair is gone.
  bool ReadAvailable(std::string& out, std::size_t max = 1 << 20);
  bool WritePending(std::string& pending);

 private:
  PtyMaster(std::intptr_t master, std::intptr_t slave, std::intptr_t watch, std::string path)
      : master_(master), slave_(slave), watch_(watch), path_(std::move(path)) {}
  std::intptr_t master_ = -1, slave_ = -1, watch_ = -1;
  std::string path_;
};

}  // namespace bx
