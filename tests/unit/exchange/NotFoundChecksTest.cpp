// What the not-found message tells the user to check, by the kind of port.
#include <gtest/gtest.h>

#include "exchange/Exchange.h"

namespace bx {
namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(NotFoundChecks, NameWhatToCheckForThePort) {
  struct Case {
    const char* port;
    const char* prefix;
    bool bootloader;
    bool dialout;
  };
  const Case cases[] = {
      {"/dev/ttyACM0", "/dev/", false, true},
      {"NET:192.168.4.1:23", "/dev/", false, false},  // a network port opens without a group
      {"COM3", "COM", false, false},                  // no group grants a COM port
      {"/dev/ttyUSB0", "/dev/", true, true},
  };
  for (const Case& c : cases) {
    const std::string text = NotFoundChecks(c.port, c.prefix, c.bootloader);
    EXPECT_TRUE(Has(text, "the cable, and that the adapter has power")) << c.port;
    EXPECT_TRUE(Has(text, "that this is the adapter's port")) << c.port;
    EXPECT_EQ(Has(text, "dialout"), c.dialout) << c.port;
    EXPECT_EQ(Has(text, kBootloaderHint), c.bootloader) << c.port;
  }
}

}  // namespace
}  // namespace bx
