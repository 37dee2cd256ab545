#include "sim/Wire.h"

#include <algorithm>

namespace bx::sim {

SimTime Wire::DoneAt(const Chunk& c, std::size_t i) const {
  if (rate_ <= 0) return c.start;
  return c.start + SimDuration((int64_t(i) + 1) * 1000000000LL / rate_);
}

SimTime Wire::Push(Bytes data, SimTime notBefore) {
  if (data.empty()) return std::max(notBefore, busyUntil_);
  Chunk c;
  c.start = std::max(notBefore, busyUntil_);
  c.data = std::move(data);
  busyUntil_ = DoneAt(c, c.data.size() - 1);
  q_.push_back(std::move(c));
  return busyUntil_;
}

Bytes Wire::Take(SimTime now, std::size_t max) {
  Bytes out;
  while (!q_.empty() && out.size() < max) {
    Chunk& c = q_.front();
    std::size_t done = c.data.size();
    if (rate_ > 0) {
      if (now < DoneAt(c, c.pos)) break;
      // Below the chunk's end, elapsed * rate stays below size * 1e9 and cannot overflow.
      if (now < DoneAt(c, c.data.size() - 1))
        done = std::size_t((((now - c.start).count() + 1) * rate_ - 1) / 1000000000LL);
    } else if (now < c.start) {
      break;
    }
    done = std::min(done, c.pos + std::min(max - out.size(), c.data.size() - c.pos));
    out.append(c.data, c.pos, done - c.pos);
    c.pos = done;
    if (c.pos < c.data.size()) break;
    q_.pop_front();
  }
  return out;
}

bool Wire::Front(char& c, SimTime& at) const {
  if (q_.empty()) return false;
  c = q_.front().data[q_.front().pos];
  at = DoneAt(q_.front(), q_.front().pos);
  return true;
}

void Wire::Pop() {
  if (q_.empty()) return;
  if (++q_.front().pos == q_.front().data.size()) q_.pop_front();
}

std::size_t Wire::Queued() const {
  std::size_t n = 0;
  for (const auto& c : q_) n += c.data.size() - c.pos;
  return n;
}

std::optional<SimTime> Wire::NextWake(SimTime now, SimDuration granularity) const {
  if (q_.empty()) return std::nullopt;
  const SimTime next = DoneAt(q_.front(), q_.front().pos);
  const SimTime last = DoneAt(q_.back(), q_.back().data.size() - 1);
  return std::min(last, std::max(next, now + granularity));
}

}  // namespace bx::sim
