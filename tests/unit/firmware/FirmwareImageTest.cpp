#include <gtest/gtest.h>

#include "support/TempFile.h"
#include "firmware/BootReply.h"
#include "firmware/FirmwareImage.h"

namespace bx {
namespace {

using test::Pattern;
using test::TempFolder;

TEST(FirmwareFile, LoadsFromEightyBytesAndRefusesShorterOrMissingFiles) {
  TempFolder dir;
  FirmwareImage image;
  const std::string exact = dir.Write("exact.rfw", Pattern(80));
  ASSERT_EQ(LoadFirmwareImage(exact, image), FirmwareLoad::Ok);
  EXPECT_EQ(image.FileHeader(), Pattern(80));
  EXPECT_TRUE(image.ImageData().empty());
  EXPECT_TRUE(image.ExtensionBlock().empty());

  const std::string shortFile = dir.Write("short.rfw", Pattern(79));
  EXPECT_EQ(LoadFirmwareImage(shortFile, image), FirmwareLoad::Short);
  EXPECT_EQ(FirmwareLoadMessage(FirmwareLoad::Short, shortFile),
            "Error! Firmware file \"" + shortFile + "\" is short.");

  const std::string missing = dir.Path() + "/missing.rfw";
  EXPECT_EQ(LoadFirmwareImage(missing, image), FirmwareLoad::NotFound);
  EXPECT_EQ(FirmwareLoadMessage(FirmwareLoad::NotFound, missing), "File \"" + missing + "\" is not found.");
  // A folder opens as a stream on Linux but is no image.
  EXPECT_EQ(LoadFirmwareImage(dir.Path(), image), FirmwareLoad::NotFound);
  // A refused file leaves the image loaded before untouched.
  EXPECT_EQ(image.File(), Pattern(80));
}

TEST(FirmwareFile, PagesAreWholeAndCutFromByte81OrAfterTheExtensionBlock) {
  const Bytes file = Pattern(80 + 1000);
  FirmwareImage image(file);
  ASSERT_EQ(image.PageCount(256), 3u);
  EXPECT_EQ(image.Page(0, 256), file.substr(80, 256));
  EXPECT_EQ(image.Page(2, 256), file.substr(80 + 512, 256));
  // The last 232 bytes make no whole page; a page past the image is empty.
  EXPECT_EQ(image.Page(3, 256), file.substr(80 + 768, 232));
  EXPECT_TRUE(image.Page(4, 256).empty());
  // Page numbers and sizes are 16-bit: their product must not wrap.
  EXPECT_TRUE(image.Page(0xFFFF, 0xFFFF).empty());
  EXPECT_EQ(image.PageCount(0), 0u);

  EXPECT_EQ(image.ExtensionBlock(), file.substr(80, 184));
  image.UseExtension();
  EXPECT_EQ(image.ImageData(), file.substr(264));
  EXPECT_EQ(image.Page(0, 256), file.substr(264, 256));
  EXPECT_EQ(image.PageCount(256), (1080u - 264u) / 256u);

  FirmwareImage shortExtension(Pattern(100));
  EXPECT_EQ(shortExtension.ExtensionBlock().size(), 20u);
  shortExtension.UseExtension();
  EXPECT_TRUE(shortExtension.ImageData().empty());
}

TEST(FirmwareFrames, ChecksumIsTheByteSumLowByteFirst) {
  EXPECT_EQ(PageChecksum("abc"), 0x0126);
  EXPECT_EQ(PageChecksum(Bytes(300, '\xFF')), (300 * 255) % 65536);
  EXPECT_EQ(PageFrame(7, "abc"), Bytes("@\x07\x00\x26\x01"
                                       "abc",
                                       8));
  EXPECT_EQ(EndFrame(), "@\xFF\xFF");
  // A page with no data carries no checksum either.
  EXPECT_EQ(PageFrame(5, {}), Bytes("@\x05\x00", 3));

  const Bytes file = Pattern(100);
  const Bytes header = HeaderFrame(FirmwareImage(file));
  ASSERT_EQ(header.size(), 83u);
  EXPECT_EQ(header[0], '#');
  EXPECT_EQ(LE16(header, 1), PageChecksum(file.substr(0, 80)));
  EXPECT_EQ(header.substr(3), file.substr(0, 80));
}

// ---- the bootloader's messages -----------------------------------------------------

TEST(BootReplies, HeaderReplyFields) {
  const auto h =
      boot::ParseHeaderReply(Bytes("+\x0C\x00\x01"
                                   "12345678AB",
                                   14));
  EXPECT_EQ(h.pageSize, 256);
  EXPECT_EQ(h.serial, "12345678");
  EXPECT_EQ(h.id, "AB");

  // Fields cut off by a short message are empty; a missing byte of a number counts as 0.
  const auto cut = boot::ParseHeaderReply(Bytes("+\x01\x40", 3));
  EXPECT_EQ(cut.pageSize, 0x40);
  EXPECT_EQ(cut.serial, "");
  EXPECT_EQ(cut.id, "");
  EXPECT_EQ(boot::ParseHeaderReply(Bytes("+\x06\x10\x00"
                                         "1234",
                                         8))
                .serial,
            "1234");
  EXPECT_EQ(boot::AckPageNumber("+\x01\x05"), 5);
}

}  // namespace
}  // namespace bx
