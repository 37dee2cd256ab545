#pragma once
// Turning one fuzz input into what a driver needs: the bytes as a byte string and a
// reproducible way of cutting a stream into the chunks a link would deliver.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Bytes.h"

namespace bx::fuzz {

inline Bytes AsBytes(const uint8_t* data, std::size_t size) {
  return size == 0 ? Bytes() : Bytes(reinterpret_cast<const char*>(data), size);
}

// Small, fast, reproducible: the chunking must follow from the input alone.
class XorShift {
 public:
  explicit XorShift(uint32_t seed) : s_(seed * 2654435761u + 0x9E3779B9u) {
    if (s_ == 0) s_ = 1;
  }
  uint32_t Next() {
    s_ ^= s_ << 13;
    s_ ^= s_ >> 17;
    s_ ^= s_ << 5;
    return s_;
  }
  uint32_t Below(uint32_t n) { return n == 0 ? 0 : Next() % n; }

 private:
  uint32_t s_;
};

// The first byte of an input chooses the chunking (its low six bits the largest chunk,
// all of it the seed); the rest is the stream, cut into chunks. An empty input is an
// empty stream.
inline std::vector<Bytes> CutIntoChunks(std::string_view input) {
  std::vector<Bytes> chunks;
  if (input.empty()) return chunks;
  const auto control = static_cast<unsigned char>(input[0]);
  XorShift rng(control);
  const uint32_t largest = (control & 0x3Fu) + 1;
  std::string_view rest = input.substr(1);
  while (!rest.empty()) {
    const std::size_t n = std::min<std::size_t>(rest.size(), 1 + rng.Below(largest));
    chunks.emplace_back(rest.substr(0, n));
    rest.remove_prefix(n);
  }
  return chunks;
}

// Splits on the first `separator`; the rest is empty when there is none.
inline std::string_view TakeUntil(std::string_view& s, char separator) {
  const std::size_t p = s.find(separator);
  const std::string_view head = s.substr(0, p);
  s.remove_prefix(p == std::string_view::npos ? s.size() : p + 1);
  return head;
}

}  // namespace bx::fuzz
