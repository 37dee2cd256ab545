// The bootloader in virtual time, driven by the test's own client.
#include <gtest/gtest.h>

#include "BootClient.h"
#include "VirtualLine.h"
#include "core/Sha256.h"

namespace bx::sim::test {
namespace {

Scenario Small(int pageSize = 64) {
  Scenario s;
  s.pageSize = pageSize;
  return s;
}

// Sends "U" and "<" and the header; answers the header reply's messages.
std::vector<std::string> Enter(VirtualLine& line, const std::string& header, SimTime& t) {
  line.Command("U", t);
  line.RunUntil(t += Ms(10));
  EXPECT_EQ(FrameLines(line.Take()), std::vector<std::string>{"Entering bootloader"});
  line.Send("<", t);
  line.RunUntil(t += Ms(10));
  EXPECT_EQ(line.Take(), std::string("+\0", 2));
  line.Send(HeaderFrame(header), t);
  line.RunUntil(t += Ms(10));
  std::string buf = line.Take();
  return CutMessages(buf);
}

// Answers page requests from `image` until the end frame is acknowledged; returns every
// message the bootloader sent.
std::vector<std::string> Serve(VirtualLine& line, const std::string& image, std::size_t pageSize,
                               std::vector<std::string> pendingMsgs, SimTime& t, int breakPage = -1) {
  std::vector<std::string> seen;
  const std::size_t pages = image.size() / pageSize;
  std::string buf;
  for (int guard = 0; guard < 10000; ++guard) {
    if (pendingMsgs.empty()) {
      line.RunUntil(t += Ms(5));
      buf += line.Take();
      pendingMsgs = CutMessages(buf);
      if (pendingMsgs.empty()) break;
    }
    const std::string m = pendingMsgs.front();
    pendingMsgs.erase(pendingMsgs.begin());
    seen.push_back(m);
    if (m[0] == '.') {
      const uint16_t n = LE16(m, 1);
      if (n >= pages)
        line.Send(EndFrame(), t);
      else {
        line.Send(PageFrame(n, image.substr(n * pageSize, pageSize), int(n) == breakPage), t);
        if (int(n) == breakPage) breakPage = -1;  // only the first time
      }
    } else if (m == Ack(0xFFFF)) {
      break;
    }
  }
  return seen;
}

TEST(Bootloader, AWholeSessionStoresTheImageAndItsSha256) {
  VirtualLine line(Small(64));
  SimTime t = Ms(0);
  const std::string header = TestBytes(80, 1);
  const std::string image = TestBytes(64 * 5 + 10, 2);
  auto msgs = Enter(line, header, t);
  ASSERT_EQ(msgs.size(), 2u);
  // "+", L, page size, 8 serial characters, ID.
  EXPECT_EQ(msgs[0], std::string("+\x16\x40\x00", 4) + "BX240017" + "5A3C91E077B2");
  EXPECT_EQ(msgs[1], Request(0));
  const auto seen = Serve(line, image, 64, {msgs[1]}, t);
  std::vector<std::string> expected;
  for (uint16_t n = 0; n < 5; ++n) {
    expected.push_back(Request(n));
    expected.push_back(Ack(n));
  }
  expected.push_back(Request(5));
  expected.push_back(Ack(0xFFFF));
  EXPECT_EQ(seen, expected) << "pages requested in order, each acknowledged";
  ASSERT_TRUE(line.model.stored.has_value());
  EXPECT_EQ(line.model.stored->image, image.substr(0, 320)) << "bytes after the last whole page are never sent";
  EXPECT_EQ(line.model.stored->header, header);
  EXPECT_EQ(line.model.stored->sha256, Sha256Hex(image.substr(0, 320)));
  EXPECT_FALSE(line.model.bootloader) << "after the end frame the adapter runs its firmware again";
  line.Command("I", t += Ms(10));
  line.RunUntil(t += Ms(10));
  EXPECT_TRUE(StartsWith(line.Take(), "\r\nSN:"));
}

TEST(Bootloader, AWrongChecksumIsNakedAndTheSamePageResentIsTaken) {
  VirtualLine line(Small(32));
  SimTime t = Ms(0);
  const std::string image = TestBytes(32 * 3, 3);
  auto msgs = Enter(line, TestBytes(80, 4), t);
  const auto seen = Serve(line, image, 32, {msgs.back()}, t, /*breakPage=*/1);
  const std::vector<std::string> expected = {Request(0), Ack(0),     Request(1), "-",        Request(1),
                                             Ack(1),     Request(2), Ack(2),     Request(3), Ack(0xFFFF)};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(line.model.stored->image, image);
}

// The fault of a bootloader that skips pages: it takes whatever end frame it is sent and
// keeps the pages it has.
TEST(Bootloader, APageJumpAsksForAnotherPageNext) {
  Scenario s = Small(64);
  s.jumpAfterPage = 1;
  s.jumpToPage = 5;
  VirtualLine line(s);
  SimTime t = Ms(0);
  const std::string image = TestBytes(64 * 5, 6);
  auto msgs = Enter(line, TestBytes(80, 7), t);
  const auto seen = Serve(line, image, 64, {msgs.back()}, t);
  EXPECT_EQ(seen, (std::vector<std::string>{Request(0), Ack(0), Request(1), Ack(1), Request(5), Ack(0xFFFF)}));
  ASSERT_TRUE(line.model.stored.has_value());
  EXPECT_EQ(line.model.stored->image, image.substr(0, 128));
}

TEST(Bootloader, WrongHeaderChecksumIsRefused) {
  VirtualLine line(Small());
  SimTime t = Ms(0);
  line.Command("U", t);
  line.Send("<", t += Ms(10));
  line.Take();
  line.Send(HeaderFrame(TestBytes(80, 5), true), t += Ms(10));
  line.RunUntil(t += Ms(10));
  EXPECT_EQ(line.Take(), "-");
}

TEST(Bootloader, SilentAfterTheHeaderUntilTheExtensionBlockCame) {
  Scenario s = Small(16);
  s.headerExtension = true;
  VirtualLine line(s);
  SimTime t = Ms(0);
  line.Command("U", t);
  line.Send("<", t += Ms(10));
  line.Take();
  line.Send(HeaderFrame(TestBytes(80, 6)), t += Ms(10));
  line.RunUntil(t += Ms(300));
  EXPECT_TRUE(line.out.empty()) << "the program must send the extension block";
  const std::string ext = TestBytes(184, 7);
  line.Send(ext.substr(0, 100), t);
  line.Send(ext.substr(100), t += Ms(1));
  line.RunUntil(t += Ms(1));
  std::string buf = line.Take();
  auto msgs = CutMessages(buf);
  ASSERT_EQ(msgs.size(), 2u);
  EXPECT_EQ(msgs[0][0], '+');
  const std::string image = TestBytes(48, 8);
  Serve(line, image, 16, {msgs[1]}, t);
  ASSERT_TRUE(line.model.stored.has_value());
  EXPECT_EQ(line.model.stored->extension, ext);
  EXPECT_EQ(line.model.stored->image, image);
}

TEST(Bootloader, PromptComesAfterItsDelayUnlessTheProgramConnectedFirst) {
  Scenario s = Small();
  s.promptDelayMs = 250;
  VirtualLine line(s);
  line.Command("U", Ms(0));
  line.RunUntil(Ms(249));
  line.Take();
  line.RunUntil(Ms(400));
  ASSERT_EQ(line.out.size(), 1u);
  EXPECT_EQ(line.out[0].at, Ms(250));
  EXPECT_EQ(line.out[0].bytes, ">");

  VirtualLine eager(s);
  eager.Command("U", Ms(0));
  eager.Send("<", Ms(100));
  eager.RunUntil(Ms(1000));
  EXPECT_FALSE(Contains(eager.All(), ">")) << "a late prompt would break a connected updater";
}

TEST(Bootloader, FlashDelayPostponesEachAcknowledgement) {
  Scenario s = Small(16);
  s.flashDelayMs = 30;
  VirtualLine line(s);
  SimTime t = Ms(0);
  Enter(line, TestBytes(80, 9), t);
  line.Send(PageFrame(0, TestBytes(16, 1)), t);
  const SimTime sent = t;
  line.RunUntil(t += Ms(100));
  ASSERT_EQ(line.out.size(), 1u);
  EXPECT_EQ(line.out[0].at, sent + Ms(30));
  EXPECT_EQ(line.out[0].bytes, Ack(0) + Request(1));
}

TEST(Bootloader, ChosenPagesAreNakedAsOftenAsAsked) {
  Scenario s = Small(16);
  s.nakPages = {{1, 2}};
  VirtualLine line(s);
  SimTime t = Ms(0);
  auto msgs = Enter(line, TestBytes(80, 10), t);
  const auto seen = Serve(line, TestBytes(48, 11), 16, {msgs.back()}, t);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), "-"), 2);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), Request(1)), 3);
  EXPECT_TRUE(line.model.stored.has_value());
}

std::vector<std::string> RandomNakRun(uint64_t seed) {
  Scenario s = Small(8);
  s.nakRate = 0.3;
  s.seed = seed;
  VirtualLine line(s);
  SimTime t = Ms(0);
  auto msgs = Enter(line, TestBytes(80, 12), t);
  auto seen = Serve(line, TestBytes(8 * 40, 13), 8, {msgs.back()}, t);
  EXPECT_TRUE(line.model.stored.has_value());
  return seen;
}

TEST(Bootloader, RandomNaksAreReproducibleFromTheSeed) {
  const auto a = RandomNakRun(7), b = RandomNakRun(7), c = RandomNakRun(8);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
  const auto naks = std::count(a.begin(), a.end(), "-");
  EXPECT_GT(naks, 3);
  EXPECT_LT(naks, 40);
}

TEST(Bootloader, PageSizeZeroIsReportedAndNoPageRequested) {
  VirtualLine line(Small(0));
  SimTime t = Ms(0);
  auto msgs = Enter(line, TestBytes(80, 14), t);
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(LE16(msgs[0], 2), 0);
  line.RunUntil(t += Ms(2000));
  EXPECT_TRUE(line.out.empty());
}

TEST(Bootloader, AStalledFrameIsNakedAndAskedForAgain) {
  VirtualLine line(Small(16));
  SimTime t = Ms(0);
  Enter(line, TestBytes(80, 15), t);
  line.Send(PageFrame(0, TestBytes(16, 1)).substr(0, 10), t);
  line.RunUntil(t += Ms(499));
  EXPECT_TRUE(line.out.empty());
  line.RunUntil(t += Ms(10));
  EXPECT_EQ(line.Take(), "-" + Request(0));
  // A page other than the one asked for is refused too.
  line.Send(PageFrame(3, TestBytes(16, 1)), t += Ms(1));
  line.RunUntil(t += Ms(1));
  EXPECT_EQ(line.Take(), "-" + Request(0));
}

TEST(Bootloader, ResetCommandLeavesTheBootloaderOtherCommandsAreIgnored) {
  VirtualLine line(Small());
  line.Command("U", Ms(0));
  line.Command("I", Ms(10));
  line.RunUntil(Ms(100));
  line.Take();
  EXPECT_TRUE(line.engine.InBootloader());
  line.Command("R", Ms(200));
  line.RunUntil(Ms(300));
  EXPECT_FALSE(line.engine.InBootloader());
  EXPECT_TRUE(line.out.empty()) << "reset answers nothing";
  line.Command("I", Ms(400));
  line.RunUntil(Ms(500));
  EXPECT_TRUE(StartsWith(line.Take(), "\r\nSN:"));
}

TEST(Bootloader, NewConnectionWhileInTheBootloaderStartsOverAtTheConnect) {
  Scenario s = Small(16);
  AdapterModel model(s);
  {
    Engine e(model, SimTime{});
    e.Receive("!dulMAR_SC_U", Ms(0));
    e.Advance(Ms(1));
  }
  EXPECT_TRUE(model.bootloader);
  Engine again(model, Ms(100));
  EXPECT_TRUE(again.InBootloader());
  again.Receive("<", Ms(100));
  again.Advance(Ms(100));
  EXPECT_EQ(again.TakeOutput(Ms(100)), std::string("+\0", 2));
}

}  // namespace
}  // namespace bx::sim::test
