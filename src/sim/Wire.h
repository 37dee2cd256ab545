#pragma once
// One direction of the line between the program and the adapter. Every byte gets the time
// at which it has wholly crossed: with a byte rate, one byte after another at 1/rate
// spacing (a serial line at 115200 8N1 carries 11,520 bytes/s); without, at once.
#include <cstdint>
#include <deque>
#include <optional>

#include "core/Bytes.h"
#include "sim/SimTime.h"

namespace bx::sim {

class Wire {
 public:
  explicit Wire(int64_t byteRate = 0) : rate_(byteRate) {}

  // Queues bytes that may not start before `notBefore`; answers when the last has crossed.
  SimTime Push(Bytes data, SimTime notBefore);
  Bytes Take(SimTime now, std::size_t max = SIZE_MAX);  // the bytes that have crossed by `now`
  bool Front(char& c, SimTime& at) const;
  void Pop();

  bool Empty() const { return q_.empty(); }
  void Clear() { q_.clear(); }
  std::size_t Queued() const;
  // When the caller should look again so that bytes leave in batches no finer than
  // `granularity`, yet the last queued byte leaves exactly on time.
  std::optional<SimTime> NextWake(SimTime now, SimDuration granularity) const;

 private:
  struct Chunk {
    Bytes data;
    std::size_t pos = 0;
    SimTime start{};
  };
  SimTime DoneAt(const Chunk& c, std::size_t i) const;

  std::deque<Chunk> q_;
  int64_t rate_;
  SimTime busyUntil_{};
};

}  // namespace bx::sim
