#pragma once
// Firmware image files (".rfw"). Their contents are opaque to the program: it cuts them
// into the 80-byte header, the extension block and pages, and adds its own framing and
// checksums.
//
// The one field read is the version the header's text names (core/ImageHeader.h), shown
// before an upload.
//
// Layout of a file (0-based offsets):
//   0..79     the header, sent to the bootloader as the header frame
//   80..263   the extension block, sent raw only to a bootloader that stays silent after
//             the header (it expects 264 bytes of header)
//   80..end   the image cut into pages, or 264..end once the extension block was sent
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/Bytes.h"

namespace bx {

inline constexpr std::size_t kFileHeaderLength = 80;
inline constexpr std::size_t kExtensionBlockLength = 184;
// The page size the adapters' bootloaders ask for; shown before an upload, when no
// bootloader has told its own yet.
inline constexpr std::size_t kUsualPageSize = 256;
// Page numbers travel as 16 bits and 0xFFFF marks the end, so no image has more pages.
inline constexpr std::size_t kMaxPageCount = 0xFFFF;
// Far beyond any adapter's flash; keeps a wrongly chosen file from exhausting memory.
inline constexpr std::uintmax_t kMaxFirmwareFileSize = 64u * 1024u * 1024u;
// So a file is never too large for the page numbering at every page size: at the largest
// one, 0xFFFF bytes, any file the size bound lets through fits in whole pages.
static_assert(kMaxFirmwareFileSize <= kFileHeaderLength + kMaxPageCount * 0xFFFFu);

// Sum of the bytes, each taken as 0-255, modulo 65,536.
uint16_t PageChecksum(std::string_view bytes);

class FirmwareImage {
 public:
  FirmwareImage() = default;
  explicit FirmwareImage(Bytes file) : file_(std::move(file)) {}

  const Bytes& File() const { return file_; }
  std::string_view FileHeader() const;      // fewer than 80 bytes only for a short file
  std::string_view ExtensionBlock() const;  // up to 184 bytes, empty for an 80-byte file
  // Pages start right after the header until UseExtension(), then after the extension block.
  std::string_view ImageData() const;
  void UseExtension() { extended_ = true; }
  bool Extended() const { return extended_; }

  // Whole pages of ImageData; the bytes after the last whole page are never sent.
  std::size_t PageCount(std::size_t pageSize) const;
  // Page n: pageSize bytes from n * pageSize, fewer or none where the image ends first.
  std::string_view Page(std::size_t n, std::size_t pageSize) const;

 private:
  Bytes file_;
  bool extended_ = false;
};

enum class FirmwareLoad { Ok, NotFound, Short, TooLarge };

// Reads the whole file at once. Anything but a readable regular file counts as not found
// (a directory or a device could not be read as an image, a FIFO could block forever).
FirmwareLoad LoadFirmwareImage(const std::string& path, FirmwareImage& image);
// What LoadFirmwareImage would answer, for a check before the adapter is sent to its
// bootloader: a file refused then would leave it there for nothing.
FirmwareLoad CheckFirmwareFile(const std::string& path);
// The message shown for a refused file ("" for Ok).
std::string FirmwareLoadMessage(FirmwareLoad result, const std::string& path);

// Frames of the bootloader protocol. A frame is its prefix, then, only when the payload is
// not empty, the payload's checksum (low byte first) and the payload.
Bytes BuildFrame(std::string_view prefix, std::string_view payload);
Bytes HeaderFrame(const FirmwareImage& image);              // "#", checksum, 80-byte header
Bytes PageFrame(uint16_t page, std::string_view contents);  // "@", number, checksum, page
Bytes EndFrame();                                           // "@", 0xFF, 0xFF

}  // namespace bx
