// Every fault the scenario can ask for, in virtual time.
#include <gtest/gtest.h>

#include "VirtualLine.h"

namespace bx::sim::test {
namespace {

Scenario With(const std::string& text) {
  Scenario s;
  ScenarioLoader load(s);
  std::string err;
  EXPECT_TRUE(load.ParseText(text, err)) << err;
  return s;
}

TEST(Faults, SilenceForChosenCommandsAndCounts) {
  VirtualLine line(With("silent=I:2,WC"));
  for (int i = 0; i < 3; ++i) line.Command("I", Ms(100 * i));
  line.Command("WC", Ms(400));
  line.Command("S", Ms(500));
  line.RunUntil(Ms(1000));
  ASSERT_EQ(line.out.size(), 2u);
  EXPECT_EQ(line.out[0].at, Ms(200)) << "the third I is answered";
  EXPECT_TRUE(StartsWith(line.out[1].bytes, "\r\nSI:"));

  VirtualLine mute(With("silent=all"));
  mute.Command("I", Ms(0));
  mute.Command("U", Ms(10));
  mute.Command("D", Ms(20));
  mute.RunUntil(Ms(500));
  EXPECT_TRUE(mute.out.empty());
  EXPECT_FALSE(mute.engine.InBootloader()) << "a command not heard does nothing";
}

TEST(Faults, NoiseBeforeTheFrameIsSeededAndNeverEndsALine) {
  auto run = [](uint64_t seed) {
    Scenario s = With("noise=40");
    s.seed = seed;
    VirtualLine line(s);
    line.Command("I", Ms(0));
    line.RunUntil(Ms(10));
    return line.All();
  };
  const std::string a = run(3);
  EXPECT_EQ(a, run(3));
  EXPECT_NE(a, run(4));
  EXPECT_EQ(a.find("\r"), 40u);
  EXPECT_EQ(a.find("\n"), 41u);
  FrameBody(a.substr(40));
  VirtualLine text(With("noise_text=BOOT\\x01"));
  text.Command("S", Ms(0));
  text.RunUntil(Ms(100));
  EXPECT_TRUE(StartsWith(text.All(), "BOOT\x01\r\nSI:"));
}

TEST(Faults, RepliesSplitIntoDelayedChunks) {
  VirtualLine line(With("chunk_size=10\nchunk_delay_ms=7"));
  line.Command("I", Ms(0));
  line.RunUntil(Ms(2000));
  const std::string whole = line.All();
  ASSERT_GT(line.out.size(), 5u);
  for (std::size_t i = 0; i < line.out.size(); ++i) {
    EXPECT_EQ(line.out[i].bytes.size(), i + 1 < line.out.size() ? 10u : (whole.size() - 1) % 10 + 1);
    EXPECT_EQ(line.out[i].at, Ms(7 * int64_t(i)));
  }
  FrameBody(whole);

  VirtualLine random(With("chunk_size=5\nchunk_random=1\nseed=9"));
  random.Command("I", Ms(0));
  random.RunUntil(Ms(10));
  EXPECT_EQ(random.All(), whole);
}

TEST(Faults, ByteRateHoldsEachWay) {
  VirtualLine line(With("baud=115200"));  // 11,520 bytes/s
  line.Command("D", Ms(0));
  // The command itself takes 12 bytes' time to arrive; then 4108 bytes go back.
  line.RunUntil(Ms(1000));
  const double perByte = 1.0 / 11520;
  const double sent = std::chrono::duration<double>(line.LastAt()).count();
  EXPECT_NEAR(sent, (12 + 4096 + 12) * perByte, 1e-4);
  EXPECT_GT(line.out.size(), 100u) << "bytes leave as they cross the line, not in one lump";
  for (std::size_t i = 1; i < line.out.size(); ++i) {
    const double dt = std::chrono::duration<double>(line.out[i].at - line.out[i - 1].at).count();
    EXPECT_LE(line.out[i].bytes.size(), std::size_t(dt * 11520) + 1);
  }
}

TEST(Faults, SlowLineKeepsACommandWhole) {
  VirtualLine line(With("baud=300"));  // 30 bytes/s: a byte every 33 ms, beyond the 20 ms gap
  line.Command("S", Ms(0));
  line.RunUntil(Ms(2000));
  EXPECT_TRUE(StartsWith(line.All(), "\r\nSI:")) << Printable(line.All());
}

TEST(Faults, TrailingBytesAndOverlongReplies) {
  VirtualLine line(With("trailing=ERROR\\r\\n\noverlong=70000"));
  line.Command("U", Ms(0));
  line.RunUntil(Ms(10));
  const std::string r = line.All();
  ASSERT_TRUE(EndsWith(r, "\r\n\r\nERROR\r\n"));
  const std::string frame = r.substr(0, r.size() - 7);
  const auto lines = FrameLines(frame);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Entering bootloader");
  EXPECT_EQ(lines[1], std::string(70000, '#'));
}

TEST(Faults, DisconnectAfterBytesSentHappensOnce) {
  Scenario s = With("disconnect_after_tx=30");
  AdapterModel model(s);
  Engine e(model, SimTime{});
  e.Receive("!dulMAR_SC_I", Ms(0));
  e.Advance(Ms(0));
  EXPECT_EQ(e.TakeOutput(Ms(0)).size(), 30u);
  EXPECT_TRUE(e.Disconnected());
  e.Receive("!dulMAR_SC_I", Ms(1));
  e.Advance(Ms(1));
  EXPECT_TRUE(e.TakeOutput(Ms(1)).empty());
  Engine next(model, Ms(10));
  next.Receive("!dulMAR_SC_I", Ms(10));
  next.Advance(Ms(10));
  EXPECT_TRUE(StartsWith(next.TakeOutput(Ms(10)), "\r\nSN:")) << "the next connection is served";
  EXPECT_FALSE(next.Disconnected());
}

TEST(Faults, DisconnectAfterBytesReceivedStopsTheUpload) {
  Scenario s = With("disconnect_after_rx=40\npage_size=16");
  AdapterModel model(s);
  Engine e(model, SimTime{});
  e.Receive("!dulMAR_SC_U<", Ms(0));
  e.Advance(Ms(0));
  e.Receive(std::string(30, 'x'), Ms(1));
  e.Advance(Ms(1));
  EXPECT_TRUE(e.Disconnected());
  EXPECT_FALSE(e.NextWake(Ms(1)).has_value()) << "nothing left to do on a dropped line";
  EXPECT_EQ(model.rxTotal, 40);
}

}  // namespace
}  // namespace bx::sim::test
