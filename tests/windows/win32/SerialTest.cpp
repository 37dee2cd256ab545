// Serial ports through the system's COM devices. scripts/test-windows maps a COM port of
// the Wine prefix to a pseudo-terminal whose other end echoes every byte and names the
// port in BX_TEST_ECHO_PORT; without it these tests are skipped, saying so.
#include <chrono>

#include "Win32Fixtures.h"
#include "platform/SerialDevice.h"
#include "platform/WaitEvent.h"

namespace bx::wintest {
namespace {

using Clock = std::chrono::steady_clock;

std::string EchoPath() {
  const std::string port = Peer("BX_TEST_ECHO_PORT");
  return port.empty() ? "" : SerialDevicePath(port);
}

#define BX_NEED_ECHO()                                                                       \
  if (EchoPath().empty())                                                                    \
  GTEST_SKIP() << "no echoing peer on a COM port (BX_TEST_ECHO_PORT): scripts/test-windows " \
                  "maps one to a pseudo-terminal"

// Writes everything while reading what comes back, as the link's threads do, for at most
// `budgetMs` (on the time scale): the peer echoes into a small terminal queue and stops reading while that
// queue is full.
std::string RoundTrip(SerialDevice& d, const std::string& data, int budgetMs) {
  WaitEvent stop(WaitEvent::Mode::ManualReset);
  const auto deadline = Clock::now() + std::chrono::milliseconds(bx::test::ScaledMs(budgetMs));
  std::string got;
  std::size_t sent = 0;
  char buf[4096];
  while (got.size() < data.size() && Clock::now() < deadline) {
    if (sent < data.size() && d.WaitWritable(stop, 0) == WaitResult::Ready) {
      const long n = d.Write(data.data() + sent, data.size() - sent);
      if (n < 0) break;
      sent += static_cast<std::size_t>(n);
    }
    const WaitResult w = d.WaitReadable(stop, 10);
    if (w == WaitResult::HungUp) break;
    if (w != WaitResult::Ready) continue;
    const long n = d.Read(buf, sizeof buf);
    if (n < 0) break;
    got.append(buf, static_cast<std::size_t>(n));
  }
  return got;
}

class Win32SerialEcho : public ::testing::TestWithParam<std::size_t> {};

// One byte, a terminal queue's worth, and more than one overlapped write carries.
TEST_P(Win32SerialEcho, EveryByteComesBackInOrder) {
  BX_NEED_ECHO();
  SerialOpenResult r = SerialDevice::Open(EchoPath());
  ASSERT_EQ(r.status, SerialOpenStatus::Ok) << "system error " << r.systemError;
  std::string data(GetParam(), '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  const std::string back = RoundTrip(*r.device, data, 20000);
  EXPECT_EQ(back.size(), data.size());
  EXPECT_TRUE(back == data) << "the echo differs";
}

INSTANTIATE_TEST_SUITE_P(Sizes, Win32SerialEcho, ::testing::Values(1, 4095, 65536 + 17));

TEST(Win32Serial, AWaitEndsOnTimeOutAndOnTheStopEvent) {
  BX_NEED_ECHO();
  SerialOpenResult r = SerialDevice::Open(EchoPath());
  ASSERT_EQ(r.status, SerialOpenStatus::Ok) << "system error " << r.systemError;
  WaitEvent stop(WaitEvent::Mode::ManualReset);
  EXPECT_EQ(r.device->WaitReadable(stop, 30), WaitResult::TimedOut);
  stop.Set();
  EXPECT_EQ(r.device->WaitReadable(stop, bx::test::ScaledMs(2000)), WaitResult::Stopped);
  stop.Reset();
  // The wait set up before still hears bytes that arrive after it.
  ASSERT_EQ(r.device->Write("x", 1), 1);
  EXPECT_EQ(r.device->WaitReadable(stop, bx::test::ScaledMs(2000)), WaitResult::Ready);
  r.device->Close();
  EXPECT_FALSE(r.device->IsOpen());
  EXPECT_EQ(r.device->WaitReadable(stop, 0), WaitResult::HungUp);
}

TEST(Win32Serial, APortHeldOpenIsBusyAndAMissingOneMissing) {
  BX_NEED_ECHO();
  SerialOpenResult first = SerialDevice::Open(EchoPath());
  ASSERT_EQ(first.status, SerialOpenStatus::Ok);
  EXPECT_EQ(SerialDevice::Open(SerialDevicePath("COM231")).status, SerialOpenStatus::Missing);
  SerialOpenResult second = SerialDevice::Open(EchoPath());
  if (second.status == SerialOpenStatus::Ok)
    GTEST_SKIP() << "Wine opens a COM port a second time although the first open shares nothing";
  EXPECT_EQ(second.status, SerialOpenStatus::Busy);
  first.device->Close();
  EXPECT_EQ(SerialDevice::Open(EchoPath()).status, SerialOpenStatus::Ok) << "closing lifts the hold";
}

}  // namespace
}  // namespace bx::wintest
