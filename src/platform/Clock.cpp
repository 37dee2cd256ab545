#include "platform/Clock.h"

#include <chrono>

namespace bx {

namespace {
class SteadyClock : public MonotonicClock {
 public:
  int64_t NowMicros() const override {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
};
}  // namespace

const MonotonicClock& SystemMonotonicClock() {
  static const SteadyClock clock;
  return clock;
}

}  // namespace bx
