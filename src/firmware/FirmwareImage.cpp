#include "firmware/FirmwareImage.h"

#include "firmware/BootReply.h"
#include "platform/Files.h"

namespace bx {

uint16_t PageChecksum(std::string_view bytes) {
  unsigned sum = 0;
  for (unsigned char c : bytes) sum += c;
  return static_cast<uint16_t>(sum & 0xFFFF);
}

namespace {
std::string_view Slice(const Bytes& s, std::size_t from, std::size_t length = std::string_view::npos) {
  if (from >= s.size()) return {};
  return std::string_view(s).substr(from, length);
}
}  // namespace

std::string_view FirmwareImage::FileHeader() const { return Slice(file_, 0, kFileHeaderLength); }

std::string_view FirmwareImage::ExtensionBlock() const {
  return Slice(file_, kFileHeaderLength, kExtensionBlockLength);
}

std::string_view FirmwareImage::ImageData() const {
  return Slice(file_, extended_ ? kFileHeaderLength + kExtensionBlockLength : kFileHeaderLength);
}

std::size_t FirmwareImage::PageCount(std::size_t pageSize) const {
  return pageSize == 0 ? 0 : ImageData().size() / pageSize;
}

std::string_view FirmwareImage::Page(std::size_t n, std::size_t pageSize) const {
  const std::string_view data = ImageData();
  // n and pageSize are 16-bit values from the bootloader; their product fits size_t.
  const std::size_t from = n * pageSize;
  if (pageSize == 0 || from >= data.size()) return {};
  return data.substr(from, pageSize);
}

FirmwareLoad LoadFirmwareImage(const std::string& path, FirmwareImage& image) {
  Bytes contents;
  // Checked on the opened file and read without blocking: a FIFO or a device put in the
  // file's place is refused, and a file that grows while it is read is cut off at the limit.
  const FileRead r = ReadRegularFile(path, static_cast<std::size_t>(kMaxFirmwareFileSize), contents);
  if (r.status == FileReadStatus::TooLarge) return FirmwareLoad::TooLarge;
  if (!r.Ok()) return FirmwareLoad::NotFound;
  if (contents.size() < kFileHeaderLength) return FirmwareLoad::Short;
  image = FirmwareImage(std::move(contents));
  return FirmwareLoad::Ok;
}

// Reads the file as the upload will: a file that can be opened but not read is found
// only by reading it. The size bound keeps that cheap.
FirmwareLoad CheckFirmwareFile(const std::string& path) {
  FirmwareImage scratch;
  return LoadFirmwareImage(path, scratch);
}

std::string FirmwareLoadMessage(FirmwareLoad result, const std::string& path) {
  switch (result) {
    case FirmwareLoad::Ok:
      return {};
    case FirmwareLoad::NotFound:
      return "File \"" + path + "\" is not found.";
    case FirmwareLoad::Short:
      return "Error! Firmware file \"" + path + "\" is short.";
    case FirmwareLoad::TooLarge:
      return "Error! Firmware file \"" + path + "\" is too large.";
  }
  return {};
}

Bytes BuildFrame(std::string_view prefix, std::string_view payload) {
  Bytes frame(prefix);
  if (!payload.empty()) {
    AppendLE16(frame, PageChecksum(payload));
    frame.append(payload);
  }
  return frame;
}

Bytes HeaderFrame(const FirmwareImage& image) {
  return BuildFrame(std::string_view(&boot::kHeader, 1), image.FileHeader());
}

Bytes PageFrame(uint16_t page, std::string_view contents) {
  Bytes prefix(1, boot::kPage);
  AppendLE16(prefix, page);
  return BuildFrame(prefix, contents);
}

Bytes EndFrame() { return PageFrame(boot::kEndMarker, {}); }

}  // namespace bx
