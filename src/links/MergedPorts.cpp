#include "links/MergedPorts.h"

namespace bx {

std::optional<uint64_t> MergedPorts::Stamp() {
  const std::optional<uint64_t> a = first_->Stamp();
  const std::optional<uint64_t> b = second_->Stamp();
  if (!a || !b) return std::nullopt;
  // Any change of either gives another value (a collision only costs a missed rebuild
  // until the next change, and needs two changes that cancel exactly).
  return *a * 0x9E3779B97F4A7C15ull ^ *b;
}

}  // namespace bx
