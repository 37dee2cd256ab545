// The version an image's header names, as the Update page shows it and the simulator runs it.
#include <gtest/gtest.h>

#include "core/ImageHeader.h"

namespace bx {
namespace {

TEST(ImageHeader, TheVersionIsTheWordAfterVersion) {
  const std::pair<std::string, std::string> cases[] = {
      {"BXFW demo image for the simulated Brevantix adapter, version 0.0.1             \n", "0.0.1"},
      {"firmware version 3.2.1.8.", "3.2.1.8"},
      {"version 4.0-rc1 built today", "4.0-rc1"},
      {"no version here", ""},                  // a word that is no version number
      {"versions 1.2", ""},
      {std::string("\x01\x02version 9\0", 12), "9"},
      {std::string(80, '\xff'), ""},
      {"version " + std::string(100, '1'), std::string(32, '1')},  // cut short
  };
  for (const auto& [header, version] : cases) EXPECT_EQ(ImageVersionText(header), version) << header;
}

}  // namespace
}  // namespace bx
