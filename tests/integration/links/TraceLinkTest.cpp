// The wire trace fed by a real serial link on a pseudo-terminal: both directions in the
// order they crossed the wire, and a flood faster than the trace file takes it, which the
// link delivers whole while the trace counts what it left out.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "LinkTestHelpers.h"
#include "links/LinkTable.h"
#include "links/TraceWriter.h"
#include "support/TraceLines.h"

namespace bx {
namespace {

using test::Pty;
using test::WaitFor;

// A trace file that takes nothing until it is opened, as a stalled disk.
class StalledFile : public GrowingFile {
 public:
  struct Gate {
    std::mutex mu;
    std::condition_variable cv;
    bool open = false;
  };
  explicit StalledFile(std::shared_ptr<Gate> g) : g_(std::move(g)) {}
  bool Append(std::string_view, std::string&) override {
    std::unique_lock<std::mutex> lk(g_->mu);
    g_->cv.wait(lk, [&] { return g_->open; });
    return true;
  }

 private:
  std::shared_ptr<Gate> g_;
};

struct TracedPort {
  explicit TracedPort(LinkTrace& trace) {
    LinkConfig config;
    config.sysRoot = "/nonexistent-sysfs";
    config.scanThreads = false;
    config.virtualPorts = {{pty.slave(), "traced", ""}};
    config.trace = &trace;
    links = LinksCreate(config);
    link = links->NewLinkFor(pty.slave());
  }
  ~TracedPort() {
    if (link) link->Close();
  }
  bool Open() {
    if (!pty.ok() || !link) return false;
    link->SetPortName(pty.slave());
    return link->Open();
  }
  // Everything the link received until `count` bytes have come (bounded in time).
  std::string Take(std::size_t count, int ms) {
    std::string got;
    WaitFor(
        [&] {
          Bytes part;
          link->ReadAvailable(part);
          got += part;
          return got.size() >= count;
        },
        ms);
    return got;
  }
  Pty pty;
  std::unique_ptr<LinkTable> links;
  std::unique_ptr<TLink_Channel> link;
};

TEST(TraceLink, BothDirectionsAreTracedInTheOrderTheyCrossed) {
  TraceWriter trace(nullptr, SystemMonotonicClock());
  TracedPort p(trace);
  ASSERT_TRUE(p.Open());
  std::string wire;
  for (int i = 0; i < 5; ++i) {
    const std::string ask = "Q" + std::to_string(i) + "\r";
    ASSERT_TRUE(p.link->Write(ask));
    ASSERT_EQ(p.pty.Receive(ask.size()), ask);
    const std::string answer = "A" + std::to_string(i) + "\r\n";
    ASSERT_TRUE(p.pty.Send(answer));
    ASSERT_EQ(p.Take(answer.size(), 3000), answer);
  }
  ASSERT_TRUE(trace.Flush(5000));
  const std::vector<test::TraceChunk> lines = test::ParseTrace(trace.RecentText());
  // A reply may come in more than one chunk: the chunks of one direction in a row join.
  std::string order, dir;
  long long last = -1;
  for (const test::TraceChunk& l : lines) {
    EXPECT_EQ(l.port, p.pty.slave());
    EXPECT_GE(l.us, last);
    last = l.us;
    order += (l.dir == dir ? "" : l.dir == "TX" ? ">" : "<") + l.bytes;
    dir = l.dir;
  }
  EXPECT_EQ(order, ">Q0\r<A0\r\n>Q1\r<A1\r\n>Q2\r<A2\r\n>Q3\r<A3\r\n>Q4\r<A4\r\n") << trace.RecentText();
}

TEST(TraceLink, AFloodTheTraceCannotWriteIsCountedNotWaitedFor) {
  auto gate = std::make_shared<StalledFile::Gate>();
  TraceWriterOptions o;
  o.queueLimit = 64 * 1024;
  TraceWriter trace(std::make_unique<StalledFile>(gate), SystemMonotonicClock(), o);
  TracedPort p(trace);
  ASSERT_TRUE(p.Open());
  const std::size_t total = 1u << 20;
  std::string flood(total, '\0');
  for (std::size_t i = 0; i < total; ++i) flood[i] = static_cast<char>('a' + i % 26);
  std::thread sender([&] { p.pty.Send(flood, 20000); });
  const std::string got = p.Take(total, 20000);
  sender.join();
  // The link took it all while the trace file took nothing.
  ASSERT_EQ(got.size(), total);
  EXPECT_EQ(got, flood);
  EXPECT_GT(trace.UntracedBytes(), 0u);
  {
    std::lock_guard<std::mutex> g(gate->mu);
    gate->open = true;
  }
  gate->cv.notify_all();
  ASSERT_TRUE(trace.Flush(20000));
  const std::string text = trace.RecentText();
  const std::string traced = test::TraceStream(test::ParseTrace(text), "RX");
  EXPECT_EQ(traced.size() + trace.UntracedBytes(), total);
  EXPECT_EQ(flood.substr(0, 4096), traced.substr(0, 4096));  // what is traced is what came
  EXPECT_NE(text.find("-- " + p.pty.slave() + " untraced RX "), std::string::npos);
}

}  // namespace
}  // namespace bx
