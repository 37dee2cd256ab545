// The serial link over a real pseudo-terminal, the test playing the adapter's side.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "LinkTestHelpers.h"
#include "links/Link_com.h"
#include "links/VirtualPorts.h"
#include "platform/SerialDevice.h"

namespace bx {
namespace {

using test::Clock;
using test::ElapsedMs;

// A pattern that does not repeat within a buffer, so a chunk sent twice or out of
// place shows.
std::string Pattern(std::size_t n, unsigned seed = 1) {
  std::string s(n, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (auto& c : s) {
    x = x * 1664525u + 1013904223u;
    c = static_cast<char>(x >> 24);
  }
  return s;
}

struct SerialLink : ::testing::Test {
  test::Pty pty;
  std::shared_ptr<VirtualPorts> ports = std::make_shared<VirtualPorts>();
  TLink_COM link{"/dev/", ports, false};

  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    link.SetPortName(pty.slave());
  }
  void TearDown() override { link.Close(); }

  // Everything the link receives until `count` bytes or `ms`.
  Bytes Collect(std::size_t count, int ms = 3000) {
    Bytes all;
    test::WaitFor(
        [&] {
          Bytes part;
          link.ReadAvailable(part);
          all += part;
          return all.size() >= count;
        },
        ms);
    return all;
  }
};

TEST_F(SerialLink, CarriesEveryByteValueBothWays) {
  ASSERT_TRUE(link.Open());
  EXPECT_TRUE(link.IsOpen());
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  all += "\r\n\n\r";
  ASSERT_TRUE(link.Write(all));
  EXPECT_EQ(pty.Receive(all.size()), all);
  EXPECT_TRUE(test::WaitFor([&] { return link.PendingWrite() == 0; }, 1000));
  ASSERT_TRUE(pty.Send(all));
  EXPECT_EQ(Collect(all.size()), all);
}

TEST_F(SerialLink, ThePortIsNamedByItsDevicePath) {
  EXPECT_EQ(SerialDevicePath("/dev/ttyACM0"), "/dev/ttyACM0");
  EXPECT_TRUE(link.OwnsPort("/dev/ttyUSB3"));
  EXPECT_FALSE(link.OwnsPort("/tmp/ttyV0"));
  ports->Add({"/tmp/ttyV0", "Simulated Brevantix Adapter", ""});
  EXPECT_TRUE(link.OwnsPort("/tmp/ttyV0"));
}

TEST_F(SerialLink, BytesWaitingBeforeOpenArePurged) {
  ASSERT_TRUE(pty.Send("stale bytes"));
  ASSERT_TRUE(test::WaitFor([&] { return pty.SlaveQueued() == 11; }, 2000));
  ASSERT_TRUE(link.Open());
  ASSERT_TRUE(pty.Send("fresh"));
  EXPECT_EQ(Collect(5), "fresh");
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(link.BytesAvailable(), 0);
}

TEST_F(SerialLink, APortHeldElsewhereFailsAfterExactlyTwoAttempts) {
  SerialOpenResult other = SerialDevice::Open(pty.slave());
  ASSERT_TRUE(other.device) << SerialOpenStatusText(other.status);
  auto start = Clock::now();
  EXPECT_FALSE(link.Open());
  EXPECT_GE(ElapsedMs(start), 2 * kSerialRetryPauseMs);
  EXPECT_EQ(link.LastOpenAttempts(), 2);
  EXPECT_EQ(link.LastOpenError(), OpenError::Busy);
  EXPECT_FALSE(link.IsOpen());
  // Held by us, it is just as busy for another program.
  EXPECT_EQ(SerialDevice::Open(pty.slave()).status, SerialOpenStatus::Busy);

  other.device.reset();
  EXPECT_TRUE(link.Open());
  EXPECT_EQ(link.LastOpenAttempts(), 1);
  EXPECT_EQ(SerialDevice::Open(pty.slave()).status, SerialOpenStatus::Busy);
  link.Close();
  EXPECT_TRUE(SerialDevice::Open(pty.slave()).device);  // the hold ends with Close
}

TEST_F(SerialLink, AMissingPortIsToldApartFromABusyOne) {
  link.SetPortName("/dev/ttyBXNOSUCH9");
  EXPECT_FALSE(link.Open());
  EXPECT_EQ(link.LastOpenError(), OpenError::Missing);
  EXPECT_EQ(link.LastOpenAttempts(), 2);
  link.SetPortName("/dev/null");  // opens, but is no serial port
  EXPECT_FALSE(link.Open());
  EXPECT_EQ(link.LastOpenError(), OpenError::SetupFailed);
}

TEST_F(SerialLink, CloseOnAClosedLinkAnswersTrue) {
  EXPECT_TRUE(link.Close());
  ASSERT_TRUE(link.Open());
  EXPECT_TRUE(link.Close());
  EXPECT_TRUE(link.Close());
  EXPECT_FALSE(link.IsOpen());
  ASSERT_TRUE(link.Open());  // and it opens again
  ASSERT_TRUE(link.Open());  // Open on an open link reopens it
  ASSERT_TRUE(link.Write("again"));
  EXPECT_EQ(pty.Receive(5), "again");
}

TEST_F(SerialLink, A600000ByteWriteLeavesInOrderAndWaitsForEachChunk) {
  ASSERT_TRUE(link.Open());
  const std::string data = Pattern(600000);
  std::atomic<bool> reading{false};
  std::string got;
  std::thread reader([&] {
    test::WaitFor([&] { return reading.load(); }, 3000);
    got = pty.Receive(data.size(), 8000);
  });
  std::atomic<bool> returned{false};
  bool ok = false;
  int pendingAtReturn = -1;
  std::thread writer([&] {
    ok = link.Write(data);
    pendingAtReturn = link.PendingWrite();
    returned = true;
  });
  // Nobody reads yet: the first chunk cannot leave, so the second is not queued.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(returned.load());
  int pending = link.PendingWrite();
  EXPECT_GT(pending, 0);
  EXPECT_LE(pending, kLinkBufferSize);
  reading = true;
  writer.join();
  reader.join();
  EXPECT_TRUE(ok);
  EXPECT_LE(pendingAtReturn, 600000 - 2 * kLinkBufferSize);
  EXPECT_EQ(got.size(), data.size());
  EXPECT_TRUE(got == data);
  EXPECT_TRUE(test::WaitFor([&] { return link.PendingWrite() == 0; }, 1000));
}

TEST_F(SerialLink, ReadUntilEndsOnATerminatorSplitOverTwoChunks) {
  ASSERT_TRUE(link.Open());
  std::thread peer([&] {
    pty.Send("driver bytes [[EN");
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    pty.Send("D]tail");
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    pty.Send("later");
  });
  Bytes text = "[END]";
  auto start = Clock::now();
  EXPECT_TRUE(link.ReadUntil(text, test::ScaledMs(500)));
  EXPECT_LT(ElapsedMs(start), test::ScaledMs(450));  // ended by the terminator, not by silence
  EXPECT_EQ(text, "driver bytes [[END]tail");
  peer.join();
  EXPECT_EQ(Collect(5), "later");
}

TEST_F(SerialLink, ReadUntilEndsBySilence) {
  ASSERT_TRUE(link.Open());
  Bytes text = "[END]";
  auto start = Clock::now();
  EXPECT_FALSE(link.ReadUntil(text, 300));
  EXPECT_GE(ElapsedMs(start), 290);
  EXPECT_EQ(text, "[END]");

  ASSERT_TRUE(pty.Send("partial"));
  start = Clock::now();
  EXPECT_TRUE(link.ReadUntil(text, 300));
  EXPECT_EQ(text, "partial");
  EXPECT_GE(ElapsedMs(start), 290);

  ASSERT_TRUE(pty.Send("no terminator at all"));
  Bytes none;  // an empty terminator never matches
  EXPECT_TRUE(link.ReadUntil(none, 200));
  EXPECT_EQ(none, "no terminator at all");
}

TEST_F(SerialLink, ReadUntilIsCutAt65536BytesAndTheRestKept) {
  ASSERT_TRUE(link.Open());
  const std::string data = Pattern(70000, 7);
  std::thread peer([&] { pty.Send(data); });
  Bytes text = "[END]";
  EXPECT_TRUE(link.ReadUntil(text, test::ScaledMs(1000)));
  peer.join();
  ASSERT_EQ(text.size(), static_cast<std::size_t>(kReadUntilLimit));
  EXPECT_TRUE(text == data.substr(0, kReadUntilLimit));
  // The rest stays for the next read, which takes it although no new chunk comes.
  ASSERT_TRUE(test::WaitFor([&] { return link.BytesAvailable() == 70000 - kReadUntilLimit; }, 2000));
  Bytes rest = "[END]";
  EXPECT_TRUE(link.ReadUntil(rest, 200));
  EXPECT_TRUE(rest == data.substr(kReadUntilLimit));
}

TEST_F(SerialLink, TheReceiveSideStopsAtAFullBufferAndResumesWhenItIsTaken) {
  ASSERT_TRUE(link.Open());
  const std::string data = Pattern(300000, 3);
  std::atomic<bool> sent{false};
  std::thread peer([&] { sent = pty.Send(data, 6000); });
  ASSERT_TRUE(test::WaitFor([&] { return link.BytesAvailable() == kLinkBufferSize; }, 4000));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(link.BytesAvailable(), kLinkBufferSize);  // no more is read while it is full
  EXPECT_FALSE(sent.load());
  Bytes first;
  ASSERT_TRUE(link.ReadAvailable(first));
  ASSERT_EQ(first.size(), static_cast<std::size_t>(kLinkBufferSize));
  Bytes rest = Collect(data.size() - first.size(), 4000);
  peer.join();
  EXPECT_TRUE(sent.load());
  EXPECT_TRUE(first + rest == data);
}

TEST_F(SerialLink, DataNotifyFollowsEveryChunk) {
  std::mutex mu;
  std::condition_variable cv;
  int calls = 0;
  link.SetDataNotify([&] {
    std::lock_guard<std::mutex> g(mu);
    ++calls;
    cv.notify_all();
  });
  ASSERT_TRUE(link.Open());
  ASSERT_TRUE(pty.Send("ping"));
  std::unique_lock<std::mutex> lk(mu);
  EXPECT_TRUE(cv.wait_for(lk, test::Scaled(std::chrono::seconds(2)), [&] { return calls > 0; }));
  lk.unlock();
  link.SetDataNotify({});
}

TEST_F(SerialLink, APeerThatHangsUpLeavesTheLinkQuietAndClosable) {
  ASSERT_TRUE(link.Open());
  ASSERT_TRUE(pty.Send("last words"));
  ASSERT_TRUE(test::WaitFor([&] { return link.BytesAvailable() == 10; }, 2000));
  EXPECT_FALSE(link.HungUp());
  pty.CloseHolder();
  pty.CloseMaster();
  // Told apart from silence, with what came before it still there to be read.
  EXPECT_TRUE(test::WaitFor([&] { return link.HungUp(); }, 2000));
  EXPECT_EQ(Collect(10), "last words");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  double cpu = test::CpuMs();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_LT(test::CpuMs() - cpu, test::Scaled(50.0));  // neither thread spins on the dead device
  EXPECT_TRUE(link.IsOpen());            // no reconnection, no self-close
  EXPECT_TRUE(link.Write("into the void"));
  EXPECT_TRUE(test::WaitFor([&] { return link.PendingWrite() == 0; }, 1500));  // the batch ends
  Bytes text = "[END]";
  EXPECT_FALSE(link.ReadUntil(text, 100));
  auto start = Clock::now();
  EXPECT_TRUE(link.Close());
  EXPECT_LT(ElapsedMs(start), test::ScaledMs(200));
  EXPECT_FALSE(link.IsOpen());
  EXPECT_FALSE(link.HungUp());
}

TEST_F(SerialLink, CloseEndsAReadUntilWaitingOnAnotherThread) {
  ASSERT_TRUE(link.Open());
  bool result = true;
  std::thread waiter([&] {
    Bytes text = "[END]";
    result = link.ReadUntil(text, 5000);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  auto start = Clock::now();
  link.Close();
  waiter.join();
  EXPECT_LT(ElapsedMs(start), test::ScaledMs(1000));
  EXPECT_FALSE(result);
}

}  // namespace
}  // namespace bx
