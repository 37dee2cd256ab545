#pragma once
// SHA-256 (FIPS 180-4) of byte strings: the simulator reports the stored firmware image by
// its digest, and tests compare uploads by it.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace bx {

class Sha256 {
 public:
  using Digest = std::array<uint8_t, 32>;

  Sha256();
  void Update(std::string_view data);
  Digest Final();  // the object is reset afterwards and may be reused

 private:
  void Block(const uint8_t* p);

  std::array<uint32_t, 8> h_{};
  std::array<uint8_t, 64> buf_{};
  std::size_t used_ = 0;
  uint64_t total_ = 0;
};

Sha256::Digest Sha256Of(std::string_view data);
std::string Sha256Hex(std::string_view data);  // 64 lower-case hex digits
std::string HexOf(const Sha256::Digest& d);

}  // namespace bx
