#include "sim/DriverFile.h"

#include <array>

#include "core/Protocol.h"

namespace bx::sim {
namespace {

void Put16(Bytes& out, uint32_t v) { AppendLE16(out, uint16_t(v)); }
void Put32(Bytes& out, uint32_t v) {
  AppendLE16(out, uint16_t(v));
  AppendLE16(out, uint16_t(v >> 16));
}

constexpr uint16_t kDosTime = 0;
constexpr uint16_t kDosDate = ((2024 - 1980) << 9) | (1 << 5) | 1;

}  // namespace

uint32_t Crc32(std::string_view data) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char b : data) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

Bytes MakeDriverLibrary(const std::string& version, int size) {
  Bytes lib = "MZ";
  uint32_t x = 0x2545F491u;
  const std::string note = "Brevantix J2534 pass-thru library (simulated)";
  Bytes marker = std::string(proto::kDriverVersionMarker) + version;
  marker += '\0';
  const std::size_t markerAt = 0x180;
  const std::size_t want = std::max<std::size_t>(std::size_t(size), markerAt + note.size() + marker.size() + 1);
  while (lib.size() < want) {
    if (lib.size() == markerAt) {
      lib += note;
      lib += '\0';
      lib += marker;
      continue;
    }
    x = x * 1664525u + 1013904223u;
    char c = char(x >> 24);
    // No "[" anywhere keeps "[END]" out of the file, and no "t" keeps a second marker out.
    if (c == '[' || c == 't') c = 0;
    lib += c;
  }
  lib.resize(want);
  return lib;
}

Bytes MakeStoredZip(const std::string& name, const Bytes& content) {
  const uint32_t crc = Crc32(content);
  const auto size = uint32_t(content.size());
  Bytes zip;
  Put32(zip, 0x04034b50);
  Put16(zip, 20);
  Put16(zip, 0);
  Put16(zip, 0);
  Put16(zip, kDosTime);
  Put16(zip, kDosDate);
  Put32(zip, crc);
  Put32(zip, size);
  Put32(zip, size);
  Put16(zip, uint32_t(name.size()));
  Put16(zip, 0);
  zip += name;
  zip += content;
  const auto cdOffset = uint32_t(zip.size());
  Put32(zip, 0x02014b50);
  Put16(zip, 20);
  Put16(zip, 20);
  Put16(zip, 0);
  Put16(zip, 0);
  Put16(zip, kDosTime);
  Put16(zip, kDosDate);
  Put32(zip, crc);
  Put32(zip, size);
  Put32(zip, size);
  Put16(zip, uint32_t(name.size()));
  Put16(zip, 0);
  Put16(zip, 0);
  Put16(zip, 0);
  Put16(zip, 0);
  Put32(zip, 0x20);  // archive bit, as Windows tools set it
  Put32(zip, 0);
  zip += name;
  const auto cdSize = uint32_t(zip.size()) - cdOffset;
  Put32(zip, 0x06054b50);
  Put16(zip, 0);
  Put16(zip, 0);
  Put16(zip, 1);
  Put16(zip, 1);
  Put32(zip, cdSize);
  Put32(zip, cdOffset);
  Put16(zip, 0);
  return zip;
}

}  // namespace bx::sim
