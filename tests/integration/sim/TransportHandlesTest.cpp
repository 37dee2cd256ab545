// The platform handles under the simulator's transports: the poll over several handles
// and a waker, the pseudo-terminal master, the TCP listener. Loopback only, bounded time.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/Poller.h"
#include "platform/PtyMaster.h"
#include "platform/SerialDevice.h"
#include "platform/Socket.h"
#include "platform/TcpListener.h"
#include "support/TimeScale.h"

namespace bx {
namespace {

using namespace std::chrono;

// Polls `entries` until `ready(entries)` holds or two seconds (on the time scale) pass.
template <typename Pred>
bool PollFor(std::vector<PollEntry>& entries, WaitEvent& waker, Pred ready) {
  const auto end = steady_clock::now() + test::Scaled(seconds(2));
  bool woken = false;
  while (steady_clock::now() < end) {
    if (!PollHandles(entries, waker, end - steady_clock::now(), woken)) return false;
    if (ready(entries)) return true;
  }
  return false;
}

TEST(PollHandles, TheWakerEndsAnUnlimitedWaitOnceAndTheTimeoutEndsALimitedOne) {
  WaitEvent waker(WaitEvent::Mode::AutoReset);
  std::vector<PollEntry> none(1);  // an unused slot is never ready
  std::thread setter([&] {
    std::this_thread::sleep_for(milliseconds(20));
    waker.Set();
  });
  bool woken = false;
  ASSERT_TRUE(PollHandles(none, waker, std::nullopt, woken));
  setter.join();
  EXPECT_TRUE(woken);
  EXPECT_FALSE(none[0].readable || none[0].hungUp);
  // The firing was consumed; a 3 ms wait then runs its whole time, to the nanosecond scale.
  const auto start = steady_clock::now();
  ASSERT_TRUE(PollHandles(none, waker, microseconds(3000), woken));
  EXPECT_FALSE(woken);
  EXPECT_GE(steady_clock::now() - start, microseconds(3000));
}

TEST(PtyMaster, SeesTheClientsOpensBytesAndCloseAndANewPairServesAfterTheHangUp) {
  std::string err;
  for (int round = 0; round < 2; ++round) {
    auto pty = PtyMaster::Open(&err);
    ASSERT_TRUE(pty) << err;
    ASSERT_FALSE(pty->SlavePath().empty());
    auto client = SerialDevice::Open(pty->SlavePath());
    ASSERT_TRUE(client.device) << SerialOpenStatusText(client.status) << " round " << round;
    if (pty->Watched()) {
      const auto events = pty->TakeSlaveEvents();
      ASSERT_FALSE(events.empty()) << round;
      EXPECT_EQ(events.front(), PtyMaster::SlaveEvent::Opened) << round;
    }
    ASSERT_EQ(client.device->Write("ping", 4), 4);
    WaitEvent waker(WaitEvent::Mode::AutoReset);
    std::vector<PollEntry> handles{{pty->Handle(), true, false}};
    ASSERT_TRUE(PollFor(handles, waker, [](auto& h) { return h[0].readable; })) << round;
    std::string got;
    ASSERT_TRUE(pty->ReadAvailable(got));
    EXPECT_EQ(got, "ping") << round;
    client.device->Close();
    if (pty->Watched()) {
      EXPECT_EQ(pty->TakeSlaveEvents().back(), PtyMaster::SlaveEvent::Closed) << round;
    }
    pty->ResetSlave();
    auto again = SerialDevice::Open(pty->SlavePath());
    ASSERT_TRUE(again.device) << "the port opens again, round " << round;
    // The hang-up: the client's descriptor sees the device vanish.
    pty.reset();
    const WaitResult r = again.device->WaitReadable(waker, test::ScaledMs(2000));
    char buf[8];
    EXPECT_TRUE(r == WaitResult::HungUp || (r == WaitResult::Ready && again.device->Read(buf, sizeof buf) < 0))
        << round;
  }
}

TEST(TcpListener, OnPortZeroGetsAPortAndServesAConnectionUntilThePeerCloses) {
  std::string err;
  auto listener = TcpListener::Listen("127.0.0.1", 0, &err);
  ASSERT_TRUE(listener) << err;
  ASSERT_NE(listener->Port(), 0);
  EXPECT_FALSE(TcpListener::Listen("127.0.0.1", listener->Port(), &err)) << "the port is taken";
  EXPECT_FALSE(err.empty());
  EXPECT_FALSE(listener->Accept()) << "nobody connected yet";
  auto peer = TcpSocket::Connect(0x7F000001, listener->Port(), 2000);
  ASSERT_EQ(peer.status, ConnectStatus::Ok);
  WaitEvent waker(WaitEvent::Mode::AutoReset);
  std::vector<PollEntry> handles{{listener->Handle(), true, false}};
  ASSERT_TRUE(PollFor(handles, waker, [](auto& h) { return h[0].readable; }));
  auto conn = listener->Accept();
  ASSERT_TRUE(conn);
  ASSERT_EQ(peer.socket->Write("abc", 3), 3);
  handles[0] = {conn->Handle(), true, false};
  ASSERT_TRUE(PollFor(handles, waker, [](auto& h) { return h[0].readable; }));
  std::string got;
  ASSERT_TRUE(conn->ReadAvailable(got));
  EXPECT_EQ(got, "abc");
  peer.socket->Close();
  ASSERT_TRUE(PollFor(handles, waker, [](auto& h) { return h[0].readable || h[0].hungUp; }));
  EXPECT_FALSE(conn->ReadAvailable(got)) << "end of stream";
  std::string more = "late";
  for (int i = 0; i < 50 && conn->WritePending(more); ++i) {
    more = "late";
    std::this_thread::sleep_for(milliseconds(2));
  }
  EXPECT_FALSE(conn->WritePending(more)) << "a write to a gone peer fails, without SIGPIPE";
}

}  // namespace
}  // namespace bx
