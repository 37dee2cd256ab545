#pragma once
// The one time scale of the tests' wall-clock bounds. A run that is slower than a quiet
// native one for reasons of its own (ThreadSanitizer, AddressSanitizer, Wine, a loaded
// machine) sets BX_TEST_TIME_SCALE to a factor (a number from 1 to 100; unset: 1), and
// every upper bound on elapsed time or on CPU time, and every bounded wait of the test
// helpers, is stretched by it. Lower bounds ("never faster than the wire") stay as they
// are: a slow machine only makes things later.
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace bx::test {

inline double TimeScale() {
  static const double scale = [] {
    const char* v = std::getenv("BX_TEST_TIME_SCALE");
    if (!v || !*v) return 1.0;
    char* end = nullptr;
    const double d = std::strtod(v, &end);
    if (end == v || *end != '\0' || !(d >= 1.0 && d <= 100.0))
      throw std::invalid_argument("BX_TEST_TIME_SCALE is not a number from 1 to 100: " + std::string(v));
    return d;
  }();
  return scale;
}

// An upper bound or a wait of `ms` milliseconds on this run's time scale.
inline int ScaledMs(double ms) { return static_cast<int>(std::lround(ms * TimeScale())); }
// The same for a bound in seconds.
inline double Scaled(double seconds) { return seconds * TimeScale(); }
template <class Rep, class Period>
std::chrono::milliseconds Scaled(std::chrono::duration<Rep, Period> d) {
  return std::chrono::milliseconds(ScaledMs(std::chrono::duration<double, std::milli>(d).count()));
}

}  // namespace bx::test
