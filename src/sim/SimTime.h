#pragma once
// Time as the simulator sees it: nanoseconds since an arbitrary epoch. The protocol engine
// never reads a clock itself; the transports hand it the steady clock, tests hand it
// whatever virtual time they like.
#include <chrono>
#include <cstdint>

namespace bx::sim {

using SimTime = std::chrono::nanoseconds;
using SimDuration = std::chrono::nanoseconds;

inline constexpr SimDuration Ms(int64_t ms) { return std::chrono::milliseconds(ms); }
inline constexpr SimDuration Us(int64_t us) { return std::chrono::microseconds(us); }

class Clock {
 public:
  virtual ~Clock() = default;
  virtual SimTime Now() const = 0;
};

class SteadyClock : public Clock {
 public:
  SimTime Now() const override { return std::chrono::steady_clock::now().time_since_epoch(); }
};

}  // namespace bx::sim
