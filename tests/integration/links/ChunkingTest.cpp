// The transmit side's batches, seen by a device that records every write and takes
// bytes only when the test lets it.
#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "LinkTestHelpers.h"
#include "links/Link_channel.h"

namespace bx {
namespace {

class GatedStream : public Stream {
 public:
  WaitEvent gate{WaitEvent::Mode::ManualReset};

  WaitResult WaitReadable(const WaitEvent& stop, int timeoutMs) override {
    WaitEvent& s = const_cast<WaitEvent&>(stop);
    return s.Wait(timeoutMs) ? WaitResult::Stopped : WaitResult::TimedOut;
  }
  WaitResult WaitWritable(const WaitEvent& stop, int timeoutMs) override {
    int i = WaitAny({const_cast<WaitEvent*>(&stop), &gate}, timeoutMs);
    return i == 0 ? WaitResult::Stopped : i == 1 ? WaitResult::Ready : WaitResult::TimedOut;
  }
  long Read(char*, std::size_t) override { return 0; }
  long Write(const char* data, std::size_t size) override {
    std::lock_guard<std::mutex> g(mu_);
    writes_.push_back(size);
    bytes_.append(data, size);
    return static_cast<long>(size);
  }
  void Close() override {}
  bool IsOpen() const override { return true; }

  std::vector<std::size_t> writes() {
    std::lock_guard<std::mutex> g(mu_);
    return writes_;
  }
  std::string bytes() {
    std::lock_guard<std::mutex> g(mu_);
    return bytes_;
  }

 private:
  std::mutex mu_;
  std::vector<std::size_t> writes_;
  std::string bytes_;
};

class GatedLink : public TLink_Channel {
 public:
  GatedLink() : TLink_Channel("GATE", 1000, "", nullptr) {}
  ~GatedLink() override { StopScan(); }
  GatedStream* stream = nullptr;

 protected:
  std::unique_ptr<Stream> OpenDevice() override {
    auto s = std::make_unique<GatedStream>();
    stream = s.get();
    return s;
  }
};

struct Chunking : ::testing::Test {
  GatedLink link;
  void SetUp() override {
    link.SetPortName("GATE1");
    ASSERT_TRUE(link.Open());
  }
};

TEST_F(Chunking, A600000ByteWriteIsQueuedInThreeChunksEachAfterThePreviousLeft) {
  std::string data(600000, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 65536);
  bool ok = false;
  std::atomic<bool> returned{false};
  std::thread writer([&] {
    ok = link.Write(data);
    returned = true;
  });
  ASSERT_TRUE(test::WaitFor([&] { return link.PendingWrite() == kLinkBufferSize; }, 1000));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(returned.load());  // the second chunk waits for the first to leave
  EXPECT_TRUE(link.stream->writes().empty());
  link.stream->gate.Set();
  writer.join();
  EXPECT_TRUE(ok);
  EXPECT_TRUE(test::WaitFor([&] { return link.PendingWrite() == 0; }, 1000));
  EXPECT_EQ(link.stream->writes(), (std::vector<std::size_t>{262144, 262144, 75712}));
  EXPECT_TRUE(link.stream->bytes() == data);
}

TEST_F(Chunking, ABatchThatCannotLeaveWithinASecondIsDropped) {
  ASSERT_TRUE(link.Write("stuck"));
  EXPECT_EQ(link.PendingWrite(), 5);
  auto start = test::Clock::now();
  ASSERT_TRUE(test::WaitFor([&] { return link.PendingWrite() == 0; }, 2000));
  EXPECT_GE(test::ElapsedMs(start), 900);
  link.stream->gate.Set();
  ASSERT_TRUE(link.Write("next"));
  ASSERT_TRUE(test::WaitFor([&] { return link.PendingWrite() == 0; }, 1000));
  EXPECT_EQ(link.stream->bytes(), "next");
}

TEST_F(Chunking, CloseEndsAWriteWaitingForTheTransmitThread) {
  std::string data(kLinkBufferSize + 10, 'x');
  bool ok = true;
  std::thread writer([&] { ok = link.Write(data); });
  ASSERT_TRUE(test::WaitFor([&] { return link.PendingWrite() == kLinkBufferSize; }, 1000));
  auto start = test::Clock::now();
  EXPECT_TRUE(link.Close());
  writer.join();
  EXPECT_LT(test::ElapsedMs(start), test::ScaledMs(500));
  EXPECT_FALSE(ok);
}

}  // namespace
}  // namespace bx
