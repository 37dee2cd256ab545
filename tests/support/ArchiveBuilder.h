#pragma once
// Zip archives made with libzip for the tests, including the ones a careful unpacker must
// refuse: names that leave the folder, links and devices, too many or too large entries,
// data that do not match their checksum.
#include <cstdint>
#include <string>
#include <vector>

#include "core/Bytes.h"

namespace bx::test {

struct ArchiveEntry {
  std::string name;
  Bytes data;
  uint32_t unixMode = 0;  // file type and permissions (S_IF* | 0644); 0: none recorded
  bool compress = false;
};

// The archive's bytes; empty when libzip refused to make it.
Bytes BuildArchive(const std::vector<ArchiveEntry>& entries);
// The archive with one byte of the first entry's data changed (that entry must be stored,
// not compressed, and hold data).
Bytes WithDamagedData(Bytes archive);

inline constexpr uint32_t kRegularFile = 0100644;
inline constexpr uint32_t kSymlink = 0120777;
inline constexpr uint32_t kCharDevice = 0020644;

}  // namespace bx::test
