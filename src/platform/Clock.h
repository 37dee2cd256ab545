#pragma once
// The monotonic clock: time that only goes forward, whatever happens to the wall clock.
// Any thread.
#include <cstdint>

namespace bx {

class MonotonicClock {
 public:
  virtual ~MonotonicClock() = default;
  // Microseconds from an arbitrary start; never smaller than an earlier answer.
  virtual int64_t NowMicros() const = 0;
};

// The system's monotonic clock.
const MonotonicClock& SystemMonotonicClock();

}  // namespace bx
