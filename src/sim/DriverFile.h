#pragma once
// The pass-thru library the adapter hands out on "D": a Windows library ("MZ") with the
// version marker "tCdV" + version + NUL inside, or a zip archive ("PK") holding it.
#include <cstdint>
#include <string>

#include "core/Bytes.h"

namespace bx::sim {

inline constexpr const char* kDriverFileName = "tvexrd32.dll";

// `size` bytes starting "MZ"; never contains "[END]".
Bytes MakeDriverLibrary(const std::string& version, int size);
// A zip archive (stored, no compression) with one entry `name` holding `content`.
Bytes MakeStoredZip(const std::string& name, const Bytes& content);
uint32_t Crc32(std::string_view data);

}  // namespace bx::sim
