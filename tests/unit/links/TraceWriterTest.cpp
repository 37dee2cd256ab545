// The wire trace: its lines, the masking of the WiFi keys however the chunks fall, and a
// full queue that counts what it could not take instead of holding the link up.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <sstream>
#include <thread>

#include "links/TraceWriter.h"
#include "wifi/WiFiCommand.h"

namespace bx {
namespace {

class ManualClock : public MonotonicClock {
 public:
  int64_t NowMicros() const override {
    if (!ticking) return now.load();
    const int64_t at = now.fetch_add(1);
    std::this_thread::yield();  // lets another thread run between reading the time and using it
    return at;
  }
  mutable std::atomic<int64_t> now{1000000};
  std::atomic<bool> ticking{false};  // each reading one microsecond after the last
};

// A trace file in memory. Closed, its Append waits until it is opened again, as a file
// on a stalled disk would; `entered` tells that the writer is inside it.
class MemoryFile : public GrowingFile {
 public:
  struct State {
    std::mutex mu;
    std::condition_variable cv;
    std::string text;
    bool gateOpen = true;
    bool entered = false;
    bool fail = false;
  };
  explicit MemoryFile(std::shared_ptr<State> s) : s_(std::move(s)) {}
  bool Append(std::string_view data, std::string& why) override {
    std::unique_lock<std::mutex> lk(s_->mu);
    s_->entered = true;
    s_->cv.notify_all();
    s_->cv.wait(lk, [&] { return s_->gateOpen; });
    if (s_->fail) {
      why = "No space left on device";
      return false;
    }
    s_->text.append(data);
    return true;
  }

 private:
  std::shared_ptr<State> s_;
};

struct TraceFixture {
  explicit TraceFixture(TraceWriterOptions options = {}) {
    if (!options.maskLine) options.maskLine = WiFiLogLine;
    writer = std::make_unique<TraceWriter>(std::make_unique<MemoryFile>(state), clock, std::move(options));
  }
  std::string Text() {
    EXPECT_TRUE(writer->Flush(10000));
    std::lock_guard<std::mutex> g(state->mu);
    return state->text;
  }
  std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    std::istringstream in(Text());
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
  }
  void Record(TraceDirection d, const std::string& port, const std::string& bytes) {
    writer->Record(d, port, bytes.data(), bytes.size());
  }
  std::shared_ptr<MemoryFile::State> state = std::make_shared<MemoryFile::State>();
  ManualClock clock;
  std::unique_ptr<TraceWriter> writer;
};

std::string Streamed(const std::vector<std::string>& chunks) {
  StreamMasker m(WiFiLogLine);
  std::string out;
  for (const auto& c : chunks) out += m.Take(c);
  return out;
}

std::vector<std::string> Cut(const std::string& s, std::size_t at) { return {s.substr(0, at), s.substr(at)}; }

std::vector<std::string> Bytewise(const std::string& s) {
  std::vector<std::string> v;
  for (char c : s) v.emplace_back(1, c);
  return v;
}

// However a save command and a reply are cut into chunks, what comes out is the log's
// masking of the whole line, and no byte of a key.
TEST(StreamMasker, MasksAKeyWhereverTheChunksAreCut) {
  const std::vector<std::string> lines = {
      "!dulMAR_SC_WC?ALIAS=My%20Car&APPW=s3cretKey&STPW=hunter22&APCH=6",
      "WS:WSBID=BX-WSB-0017&APPW=brevantix&STPW=&ALIAS=Brevantix",
      "I STPW=abc APPW=def",
  };
  for (const std::string& line : lines) {
    const std::string wire = line + "\r\n";
    const std::string expected = WiFiLogLine(line) + "\r\n";
    ASSERT_EQ(Streamed({wire}), expected);
    for (std::size_t at = 0; at <= wire.size(); ++at) ASSERT_EQ(Streamed(Cut(wire, at)), expected) << line << " @" << at;
    EXPECT_EQ(Streamed(Bytewise(wire)), expected) << line;
  }
}

TEST(StreamMasker, NothingOfAKeyLeaksFromEncodedOrLongPieces) {
  struct Case {
    std::string wire, secret, kept;
  };
  const std::vector<Case> cases = {
      // An escape cut in the middle may change how many stars there are, never the key.
      {"?APPW=p%21ss%20word&APCH=6\r\n", "word", "APCH=6"},
      // A key after a long run of other bytes in its piece, behind its ":".
      {std::string(300, 'x') + ":STPW=VerySecretValue" + std::string(200, 'v') + "&A=1\n", "VerySecret", "&A=1"},
      // A value far longer than what the masker keeps of an open piece.
      {"APPW=" + std::string(500, 'k') + "Z&B=2\n", "kZ", "&B=2"},
  };
  for (const Case& c : cases) {
    for (const auto& chunks : {std::vector<std::string>{c.wire}, Bytewise(c.wire), Cut(c.wire, c.wire.size() / 2)}) {
      const std::string out = Streamed(chunks);
      EXPECT_EQ(out.find(c.secret), std::string::npos) << out;
      EXPECT_NE(out.find(c.kept), std::string::npos) << out;
      EXPECT_EQ(out.back(), '\n');
    }
  }
  // Other keys and lines pass as they are; the line end starts a new line.
  EXPECT_EQ(Streamed({"APPWX=1&XAPPW=2\r", "APPW=3\n"}), "APPWX=1&XAPPW=2\rAPPW=*\n");
}

TEST(TraceWriter, WritesChunksNotesAndTimesInOrder) {
  TraceWriterOptions o;
  o.header = "# trace";
  TraceFixture t(o);
  t.clock.now += 42;
  t.writer->Note("brevantix-cli wifi set APPW=Secret1");
  t.clock.now += 1000;
  t.Record(TraceDirection::Written, "/dev/pts/3", "I\r");
  t.clock.now += 250;
  t.Record(TraceDirection::Read, "/dev/pts/3", std::string("SN:BX\x01", 6) + std::string(40, 'a'));
  const std::vector<std::string> lines = t.Lines();
  ASSERT_EQ(lines.size(), 5u) << t.Text();
  EXPECT_EQ(lines[0], "# trace");
  EXPECT_EQ(lines[1], "          42 ## brevantix-cli wifi set APPW=*******");
  EXPECT_EQ(lines[2], "        1042 TX /dev/pts/3 [2] 49 0D  |I.|");
  EXPECT_EQ(lines[3].rfind("        1292 RX /dev/pts/3 [46] 53 4E 3A 42 58 01 61 61", 0), 0u) << lines[3];
  EXPECT_NE(lines[3].find("  |SN:BX." + std::string(26, 'a') + "|"), std::string::npos) << lines[3];
  std::string rest = "        1292 RX /dev/pts/3 [+32]";
  for (int i = 0; i < 14; ++i) rest += " 61";
  EXPECT_EQ(lines[4], rest + "  |" + std::string(14, 'a') + "|");
  EXPECT_EQ(t.writer->RecentText(), t.Text());
}

// Chunks of two threads at once: the lines come in the order of their times.
TEST(TraceWriter, LinesOfSeveralThreadsAreInTheOrderOfTheirTimes) {
  TraceFixture t;
  t.clock.ticking = true;
  auto feed = [&](TraceDirection d) {
    for (int i = 0; i < 2000; ++i) t.Record(d, "P", "x");
  };
  std::thread rx(feed, TraceDirection::Read), tx(feed, TraceDirection::Written);
  rx.join();
  tx.join();
  const std::vector<std::string> lines = t.Lines();
  ASSERT_EQ(lines.size(), 4000u);
  long long last = -1;
  for (const std::string& l : lines) {
    const long long us = std::stoll(l);
    ASSERT_GT(us, last) << l;
    last = us;
  }
}

// The streams of two ports (and the two directions) are masked apart: a key begun on one
// is not completed by the bytes of another.
TEST(TraceWriter, MasksEachPortAndDirectionOnItsOwn) {
  TraceFixture t;
  t.Record(TraceDirection::Written, "A", "?APPW=ab");
  t.Record(TraceDirection::Written, "B", "cd&X=1");
  t.Record(TraceDirection::Read, "A", "ef");
  t.Record(TraceDirection::Written, "A", "cd&X=2");
  const std::string text = t.Text();
  EXPECT_NE(text.find("TX A [8] 3F 41 50 50 57 3D 2A 2A  |?APPW=**|"), std::string::npos) << text;
  EXPECT_NE(text.find("|cd&X=1|"), std::string::npos) << text;
  EXPECT_NE(text.find("RX A [2] 65 66  |ef|"), std::string::npos) << text;
  EXPECT_NE(text.find("|**&X=2|"), std::string::npos) << text;
  EXPECT_EQ(text.find("62"), std::string::npos) << "the byte b of the key went out: " << text;
}

TEST(TraceWriter, UnmaskedWhenNoMaskIsGiven) {
  TraceWriterOptions o;
  o.maskLine = [](const std::string& line) { return line; };
  TraceFixture t(o);
  t.Record(TraceDirection::Written, "P", "?APPW=open");
  EXPECT_NE(t.Text().find("|?APPW=open|"), std::string::npos);
}

// A file that stalls fills the queue: the chunks that do not fit are counted, the caller
// is never held up, and a line in their place says how many bytes were not traced.
TEST(TraceWriter, AFullQueueCountsTheUntracedBytesAndNeverBlocks) {
  TraceWriterOptions o;
  o.queueLimit = 64;
  TraceFixture t(o);
  {
    std::lock_guard<std::mutex> g(t.state->mu);
    t.state->gateOpen = false;
  }
  t.Record(TraceDirection::Read, "P", "first");
  {
    // The writer holds "first" and waits inside the file.
    std::unique_lock<std::mutex> lk(t.state->mu);
    t.state->cv.wait(lk, [&] { return t.state->entered; });
  }
  for (int i = 0; i < 100; ++i) t.Record(TraceDirection::Read, "P", "0123456789");  // 6 fit, 94 do not
  t.Record(TraceDirection::Written, "P", std::string(100, 'w'));                 // larger than the queue
  EXPECT_EQ(t.writer->UntracedBytes(), 1040u);
  {
    std::lock_guard<std::mutex> g(t.state->mu);
    t.state->gateOpen = true;
  }
  t.state->cv.notify_all();
  ASSERT_TRUE(t.writer->Flush(10000));
  t.Record(TraceDirection::Read, "P", "after");
  const std::vector<std::string> lines = t.Lines();
  ASSERT_EQ(lines.size(), 10u) << t.Text();
  EXPECT_NE(lines[0].find("|first|"), std::string::npos);
  for (int i = 1; i <= 6; ++i) EXPECT_NE(lines[i].find("|0123456789|"), std::string::npos) << lines[i];
  EXPECT_NE(lines[7].find("-- P untraced RX 940 bytes"), std::string::npos) << lines[7];
  EXPECT_NE(lines[8].find("-- P untraced TX 100 bytes"), std::string::npos) << lines[8];
  EXPECT_NE(lines[9].find("|after|"), std::string::npos) << lines[9];
}

TEST(TraceWriter, KeepsTheLastPartInMemoryAndGoesOnWhenTheFileFails) {
  TraceWriterOptions o;
  o.recentLimit = 1000;
  TraceFixture t(o);
  for (int i = 0; i < 100; ++i) {
    t.Record(TraceDirection::Read, "P", "chunk" + std::to_string(i));
    ASSERT_TRUE(t.writer->Flush(10000));
  }
  const std::string recent = t.writer->RecentText();
  EXPECT_LE(recent.size(), 1200u);
  EXPECT_EQ(recent.rfind("# (the beginning of the trace is left out", 0), 0u) << recent;
  EXPECT_NE(recent.find("|chunk99|"), std::string::npos);
  EXPECT_EQ(recent.find("|chunk1|"), std::string::npos);
  EXPECT_NE(t.Text().find("|chunk1|"), std::string::npos);  // the file has all of it

  {
    std::lock_guard<std::mutex> g(t.state->mu);
    t.state->fail = true;
  }
  t.Record(TraceDirection::Read, "P", "lost");
  ASSERT_TRUE(t.writer->Flush(10000));
  t.Record(TraceDirection::Read, "P", "kept");
  ASSERT_TRUE(t.writer->Flush(10000));
  EXPECT_EQ(t.writer->WriteError(), "No space left on device");
  EXPECT_NE(t.writer->RecentText().find("|kept|"), std::string::npos);
}

}  // namespace
}  // namespace bx
