#pragma once
// The adapter's answer to the driver request: the file cut out of it lies between the
// first "[BEGIN]" and the "[END]" after it, and an archive among those files is unpacked
// whole or not at all, never beside or above its folder.
#include <filesystem>
#include <fstream>
#include <random>
#include <string_view>

#include "Check.h"
#include "links/Link_channel.h"
#include "passthru/DriverTransfer.h"
#include "platform/Archive.h"

namespace bx::fuzz {

// Unpacks `archive` into a fresh folder of a fresh scratch folder and checks what lands.
inline void CheckUnpack(const Bytes& archive) {
  namespace fs = std::filesystem;
  std::random_device rd;
  const fs::path scratch = fs::temp_directory_path() / ("bx-fuzz-archive-" + std::to_string(rd()));
  const fs::path into = scratch / "into";
  std::error_code ec;
  fs::create_directories(into, ec);
  std::ofstream(scratch / "a.zip", std::ios::binary) << archive;
  static const std::unique_ptr<ArchiveUnpacker> unpacker = MakeArchiveUnpacker();
  const UnpackResult r = unpacker->Unpack((scratch / "a.zip").string(), into.string(), ArchiveLimits{16, 1u << 20});
  std::size_t found = 0;
  for (auto it = fs::recursive_directory_iterator(into, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    Check(!it->is_symlink(), "no link is made");
    found += it->is_regular_file() ? 1 : 0;
  }
  Check(r.ok || found == 0, "a refused archive leaves nothing behind");
  Check(!r.ok || found == r.files.size(), "every file written is listed");
  Check(r.ok || !r.error.empty(), "a refused archive says why");
  std::size_t beside = 0;
  for (auto it = fs::directory_iterator(scratch, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) ++beside;
  Check(beside == 2, "nothing lands beside the folder");
  fs::remove_all(scratch, ec);
}

inline void DriveDriverAnswer(std::string_view input) {
  const Bytes answer(input);
  const DriverTransfer t = CutDriverTransfer(answer, !answer.empty(), kReadUntilLimit);
  if (t.fault != TransferFault::None) {
    Check(t.file.empty(), "an incomplete transfer brings no file");
    Check(!TransferFaultLine(t.fault, answer.size()).empty(), "an incomplete transfer is told");
    return;
  }
  Check(answer.find("[BEGIN]" + t.file + "[END]") != Bytes::npos, "the file lies between the markers");
  Check(t.file.find("[END]") == Bytes::npos, "the file ends at the first end marker");
  Check(DriverVersionMarker(t.file).find('\0') == std::string::npos, "the version ends at a zero byte");
  if (KindOfDriver(t.file) == DriverKind::ZipArchive) CheckUnpack(t.file);
}

}  // namespace bx::fuzz
