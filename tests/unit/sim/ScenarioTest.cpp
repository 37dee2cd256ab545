#include <gtest/gtest.h>

#include <filesystem>

#include "core/Sha256.h"
#include "sim/Scenario.h"
#include "support/TempFile.h"

namespace bx::sim {
namespace {

TEST(Scenario, FileFormatWithCommentsRepeatsAndErrors) {
  Scenario s;
  ScenarioLoader load(s);
  std::string err;
  ASSERT_TRUE(
      load.ParseText("# the garage unit\n"
                     "serial = 00001234\r\n"
                     "\n"
                     "mode = 000 - Boot\n"
                     "mode = 1A * Hidden one\n"
                     "options = B2W1N0D1L2\n"
                     "wifi = ALIAS=My%20Car&NEWKEY=1\n"
                     "silent = I:2, WS\n"
                     "nak_page = 3:4,7\n"
                     "page_jump = 0:385\n"
                     "baud = 115200\n"
                     "trailing = \\r\\nX\\x00\n",
                     err))
      << err;
  EXPECT_EQ(s.serial, "00001234");
  ASSERT_EQ(s.modes.size(), 2u);
  EXPECT_EQ(s.modes[1].Line(), "1A * Hidden one");
  EXPECT_EQ(s.optB * 10000 + s.optW * 1000 + s.optN * 100 + s.optD * 10 + s.optL, 21012);
  EXPECT_EQ(s.wifi[1].second, "My Car");
  EXPECT_EQ(s.wifi.back().first, "NEWKEY");
  ASSERT_EQ(s.silent.size(), 2u);
  EXPECT_EQ(s.silent[0].count, 2);
  EXPECT_EQ(s.silent[1].command, "WS");
  EXPECT_EQ(s.silent[1].count, -1);
  ASSERT_EQ(s.nakPages.size(), 2u);
  EXPECT_EQ(s.nakPages[0].times, 4);
  EXPECT_EQ(s.jumpAfterPage, 0);
  EXPECT_EQ(s.jumpToPage, 385);
  EXPECT_EQ(s.byteRate, 11520);
  EXPECT_EQ(s.trailing, std::string("\r\nX\0", 4));

  EXPECT_FALSE(load.ParseText("serial=1\npage_size=70000\n", err));
  EXPECT_EQ(err, "line 2: page_size: expected a whole number from 0 to 65535, got \"70000\"");
  EXPECT_FALSE(load.ParseText("colour=red", err));
  EXPECT_EQ(err, "line 1: unknown key \"colour\"");
  for (const char* bad :
       {"mode=ABCD - x", "options=B", "nak_rate=2", "driver_form=EXE", "page_jump=3", "page_jump=1:65536"}) {
    err.clear();
    EXPECT_FALSE(load.SetAssignment(bad, err)) << bad;
    EXPECT_FALSE(err.empty()) << bad;
  }
}

// A driver file is read whole, so it must be a regular file of bounded size: a device
// would never end and a FIFO could block the simulator for good.
TEST(Scenario, DriverFileIsARegularFileOfBoundedSize) {
  Scenario s;
  ScenarioLoader load(s);
  std::string err;
  EXPECT_FALSE(load.SetAssignment("driver_file=/dev/zero", err));
  EXPECT_EQ(err, "driver_file: cannot read /dev/zero (not a regular file)");
  test::TempFolder folder;
  EXPECT_FALSE(load.SetAssignment("driver_file=" + folder.Path(), err));
  EXPECT_TRUE(s.driverFile.empty());

  const Bytes library = std::string("MZ\0[END]\xff", 9);
  ASSERT_TRUE(load.SetAssignment("driver_file=" + folder.Write("lib.dll", library), err)) << err;
  EXPECT_EQ(s.driverFile, library);
  std::filesystem::resize_file(folder.Write("big.dll", "MZ"), 16 * 1024 * 1024 + 1);
  EXPECT_FALSE(load.SetAssignment("driver_file=" + folder.Path() + "/big.dll", err));
  EXPECT_EQ(s.driverFile, library);
}

TEST(Scenario, ModeLineRule) {
  ModeEntry m;
  EXPECT_TRUE(ParseModeLine("01 - OBD", m));
  EXPECT_EQ(m.id, "01");
  EXPECT_TRUE(ParseModeLine("ABC + ", m));
  EXPECT_FALSE(ParseModeLine("ABCD - x", m));
  EXPECT_FALSE(ParseModeLine("AB_ - X", m));
  EXPECT_FALSE(ParseModeLine("- 01", m));
  EXPECT_FALSE(ParseModeLine("01 = x", m));
}

TEST(Sha256, KnownVectorsAndPiecewiseUpdates) {
  EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  Sha256 s;
  const std::string chunk(1000, 'a');
  for (int i = 0; i < 1000; ++i) s.Update(chunk);
  EXPECT_EQ(HexOf(s.Final()), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  // Lengths around the padding boundary, fed byte by byte and whole.
  for (std::size_t n : {55u, 56u, 63u, 64u, 65u, 119u, 120u}) {
    std::string msg(n, '\0');
    for (std::size_t i = 0; i < n; ++i) msg[i] = char(i * 37);
    Sha256 piecewise;
    for (char c : msg) piecewise.Update(std::string_view(&c, 1));
    EXPECT_EQ(HexOf(piecewise.Final()), Sha256Hex(msg)) << n;
  }
  EXPECT_EQ(Sha256Hex(std::string(56, 'a')), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a");
}

}  // namespace
}  // namespace bx::sim

namespace bx::sim {
namespace {

TEST(Scenario, TheShippedExampleLoads) {
  Scenario s;
  ScenarioLoader load(s);
  std::string err;
  ASSERT_TRUE(load.LoadFile(std::string(BX_SOURCE_DIR) + "/src/sim/example.scenario", err)) << err;
  EXPECT_EQ(s.serial, "BX240099");
  EXPECT_EQ(s.modes.size(), 6u);
  EXPECT_EQ(s.accessPoints.size(), 2u);
  EXPECT_EQ(s.driverForm, "PK");
  EXPECT_EQ(s.udpAnswers.size(), 2u);
}

}  // namespace
}  // namespace bx::sim
