// The pseudo-terminal transport in bounded real time.
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <chrono>
#include <thread>

#include "SimClient.h"
#include "core/Sha256.h"
#include "sim/SimPty.h"
#include "unit/sim/BootClient.h"

namespace bx::sim::test {
namespace {

using namespace std::chrono;

Scenario With(const std::string& text) {
  Scenario s;
  ScenarioLoader load(s);
  std::string err;
  EXPECT_TRUE(load.ParseText(text, err)) << err;
  return s;
}

bool WaitFor(const std::function<bool()>& pred, int ms = 2000) {
  const auto end = steady_clock::now() + milliseconds(bx::test::ScaledMs(ms));
  while (!pred()) {
    if (steady_clock::now() > end) return false;
    std::this_thread::sleep_for(milliseconds(2));
  }
  return true;
}

// Uploads `image` over `c`; returns the seconds from "<" to the end frame's acknowledgement.
double Upload(Client& c, const std::string& header, const std::string& image) {
  const auto t0 = steady_clock::now();
  auto message = [&](std::string& m) {
    std::vector<std::string> got;
    const bool ok = c.ReadUntil(
        [&](const std::string& b) {
          std::string copy = b;
          return !CutMessages(copy).empty();
        },
        3000);
    if (!ok) return false;
    got = CutMessages(c.buf);
    m = got.front();
    // Put back what came after the first message.
    std::string rest;
    for (std::size_t i = 1; i < got.size(); ++i) rest += got[i];
    c.buf = rest + c.buf;
    return true;
  };
  std::string m;
  EXPECT_TRUE(c.Write("<") && message(m) && m[0] == '+');
  EXPECT_TRUE(c.Write(HeaderFrame(header)) && message(m) && m[0] == '+');
  const std::size_t pageSize = LE16(m, 2);
  const std::size_t pages = image.size() / pageSize;
  for (int guard = 0; guard < 100000 && message(m); ++guard) {
    if (m[0] == '.') {
      const uint16_t n = LE16(m, 1);
      c.Write(n >= pages ? EndFrame() : PageFrame(n, image.substr(n * pageSize, pageSize)));
    } else if (m == Ack(0xFFFF)) {
      return duration<double>(steady_clock::now() - t0).count();
    }
  }
  ADD_FAILURE() << "upload did not finish";
  return 0;
}

TEST(PtyTransport, SurvivesTheProgramOpeningClosingAndReopeningThePort) {
  PtyAdapter sim;
  std::string err;
  ASSERT_TRUE(sim.Start(&err)) << err;
  const std::string path = sim.SlavePath();
  ASSERT_TRUE(StartsWith(path, "/dev/"));
  Client c;
  for (int i = 0; i < 25; ++i) {
    ASSERT_TRUE(c.OpenPty(path)) << i;
    std::string body;
    ASSERT_TRUE(c.Command("I") && c.Frame(body)) << "round " << i;
    EXPECT_TRUE(StartsWith(body, "SN:BX240017\r\n")) << i;
    c.Close();  // exclusive flag left set on purpose
    ASSERT_TRUE(WaitFor([&] { return !sim.ClientOpen(); })) << i;
    Client probe;
    ASSERT_TRUE(probe.OpenPty(path, false));
    int excl = 1;
    ASSERT_EQ(::ioctl(probe.fd(), TIOCGEXCL, &excl), 0);
    EXPECT_EQ(excl, 0) << "the simulator clears an exclusive flag the program left behind";
  }
  // Long idle with no client: the thread sleeps (no reply, no busy loop) and comes back.
  std::this_thread::sleep_for(milliseconds(100));
  ASSERT_TRUE(c.OpenPty(path));
  std::string body;
  EXPECT_TRUE(c.Command("S") && c.Frame(body));
  EXPECT_TRUE(StartsWith(body, "SI:"));
}

TEST(PtyTransport, RepliesLeftUnreadDoNotReachTheNextOpen) {
  PtyAdapter sim(With("test_duration_ms=600\ntest_steps=30"));
  ASSERT_TRUE(sim.Start());
  Client c;
  ASSERT_TRUE(c.OpenPty(sim.SlavePath()));
  ASSERT_TRUE(c.Command("T"));
  ASSERT_TRUE(c.ReadUntil([](const std::string& b) { return Contains(b, "Testing..."); }, 2000));
  c.Close();
  ASSERT_TRUE(WaitFor([&] { return !sim.ClientOpen(); }));
  std::this_thread::sleep_for(milliseconds(100));
  ASSERT_TRUE(c.OpenPty(sim.SlavePath()));
  std::string body;
  ASSERT_TRUE(c.Command("I") && c.Frame(body));
  EXPECT_TRUE(StartsWith(body, "SN:")) << Printable(body);
  std::this_thread::sleep_for(milliseconds(700));
  std::string more;
  c.ReadUntil([](const std::string&) { return false; }, 50);
  EXPECT_FALSE(Contains(c.buf, "Testing")) << "the old test log stopped with its connection";
}

TEST(PtyTransport, RateLimitHoldsWithinFivePercent) {
  PtyAdapter sim(With("baud=115200\ndriver_size=8000"));
  ASSERT_TRUE(sim.Start());
  Client c;
  ASSERT_TRUE(c.OpenPty(sim.SlavePath()));
  const auto t0 = steady_clock::now();
  ASSERT_TRUE(c.Command("D"));
  ASSERT_TRUE(c.ReadUntil([](const std::string& b) { return EndsWith(b, "[END]"); }, 5000));
  const double took = duration<double>(steady_clock::now() - t0).count();
  const double wire = (12.0 + 8012.0) / 11520.0;
  EXPECT_GE(took, wire * 0.95) << took << " s for " << wire << " s of wire";
  EXPECT_LE(took, wire + bx::test::Scaled(wire * 0.05)) << took << " s for " << wire << " s of wire";
}

TEST(PtyTransport, UploadAtTheRateLimitTakesTheWireTime) {
  PtyAdapter sim(With("baud=115200\npage_size=256\nflash_delay_ms=2"));
  ASSERT_TRUE(sim.Start());
  Client c;
  ASSERT_TRUE(c.OpenPty(sim.SlavePath()));
  std::string body;
  ASSERT_TRUE(c.Command("U") && c.Frame(body));
  const std::string header = TestBytes(80, 1), image = TestBytes(256 * 16, 2);
  const double took = Upload(c, header, image);
  // Both directions: "<", header, 16 page frames, end frame; "+", header reply, 17
  // requests, 17 acknowledgements; plus the flash time of 16 pages.
  const double bytes = 1 + 83 + 16 * 261 + 3 + 2 + 24 + 17 * 3 + 17 * 4;
  const double wire = bytes / 11520.0 + 16 * 0.002;
  // The line is never faster than the wire. Each of the 35 turns of this stop-and-wait
  // exchange also waits for the test client and the simulator thread to be scheduled,
  // which on a busy machine costs up to a millisecond a turn and is none of the line's.
  EXPECT_GE(took, wire * 0.99) << took << " s for " << wire << " s of wire";
  EXPECT_LE(took, wire + bx::test::Scaled(wire * 0.05 + 35 * 0.0015)) << took << " s for " << wire << " s of wire";
  const auto stored = sim.adapter().Stored();
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->sha256, Sha256Hex(image));
}

TEST(PtyTransport, DisconnectHangsTheLineUpAndANewPortComes) {
  PtyAdapter sim(With("disconnect_after_rx=20"));
  ASSERT_TRUE(sim.Start());
  const std::string first = sim.SlavePath();
  Client c;
  ASSERT_TRUE(c.OpenPty(first));
  std::string body;
  ASSERT_TRUE(c.Command("I") && c.Frame(body));
  ASSERT_TRUE(c.Command("I"));
  EXPECT_FALSE(c.Frame(body, 2000));
  EXPECT_TRUE(c.dead) << "the program sees the device go away";
  ASSERT_TRUE(WaitFor([&] { return sim.Generation() == 1; }));
  c.Close();
  ASSERT_TRUE(c.OpenPty(sim.SlavePath()));
  ASSERT_TRUE(c.Command("I") && c.Frame(body));
  EXPECT_TRUE(StartsWith(body, "SN:"));
}

}  // namespace
}  // namespace bx::sim::test
