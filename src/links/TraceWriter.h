#pragma once
// The wire trace as a file: the links' chunks go into a bounded queue on their own
// threads, and a writer thread of the trace's own turns them into lines and appends them
// to the file as they come, so that a crash leaves everything before it. A link never
// waits for the file: when the queue is full the chunk is counted instead of queued, and
// a line in its place says how many bytes of which port and direction were not traced.
//
// A line per 32 bytes of a chunk:
//
//         1234 TX /dev/pts/3 [3] 49 0D 0A  |I..|
//         1290 RX /dev/pts/3 [70] 53 4E ...  |SN:BX240017...|
//         1290 RX /dev/pts/3 [+32] ...
//
// the microseconds since the trace began (monotonic), TX for bytes written to the device
// and RX for bytes read from it, the port, the chunk's size (or the offset of a further
// line of it), the bytes in hex and as text ("." for anything but printable ASCII).
// Notes of the program's own are "##" lines, the untraced counts "--" lines.
//
// Secrets (the WiFi keys of a save command and of a reply) are masked before a byte is
// formatted, by the line-masking function the program hands in, applied to each stream
// (port and direction) as it arrives: a key's value split over several chunks is masked
// as a whole, since the part of a line that is still open is kept until it is complete.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "links/LinkTrace.h"
#include "platform/Clock.h"
#include "platform/Files.h"

namespace bx {

using LineMask = std::function<std::string(const std::string& line)>;

// Masks a byte stream that arrives in chunks with a function that masks whole lines of
// "KEY=value" pieces (separated by " ", "&" and "?"; the key after any ":"). What a chunk
// gives back is the masked form of its bytes: a value is masked from its first byte on,
// whichever chunk its key came in. Line ends (CR, LF) pass as they are and end a line.
class StreamMasker {
 public:
  explicit StreamMasker(LineMask mask) : mask_(std::move(mask)) {}
  std::string Take(std::string_view chunk);

 private:
  void Shorten();
  LineMask mask_;
  std::string piece_;        // the open piece: since the last separator or line end
  std::size_t emitted_ = 0;  // how much of its masked form went out already
};

struct TraceWriterOptions {
  std::size_t queueLimit = 4u << 20;   // bytes of chunks waiting for the writer thread
  std::size_t recentLimit = 4u << 20;  // what RecentText keeps of the trace
  LineMask maskLine;                   // empty: the bytes are traced as they are
  std::string header;                  // the first line ("# ..."), without its line end
};

class TraceWriter final : public LinkTrace {
 public:
  // `file` may be null: the trace is then kept in memory alone (RecentText).
  TraceWriter(std::unique_ptr<GrowingFile> file, const MonotonicClock& clock, TraceWriterOptions options = {});
  ~TraceWriter() override;  // writes what is queued, then ends the writer thread
  TraceWriter(const TraceWriter&) = delete;
  TraceWriter& operator=(const TraceWriter&) = delete;

  void Record(TraceDirection direction, const std::string& port, const char* data, std::size_t size) override;
  void Note(const std::string& text) override;
  bool Flush(int timeoutMs) override;
  std::string RecentText() const override;

  uint64_t UntracedBytes() const;
  // Why the file could not be written ("" while it can); the trace then goes on in memory.
  std::string WriteError() const;

 private:
  enum class Kind { Chunk, Note, Untraced };
  struct Item {
    Kind kind = Kind::Chunk;
    int64_t us = 0;
    TraceDirection direction = TraceDirection::Written;
    std::string port;
    std::string data;  // the chunk, or the note's text
    uint64_t untraced = 0;
  };
  struct Dropped {
    std::string port;
    TraceDirection direction;
    int64_t firstUs;
    uint64_t bytes;
  };

  int64_t Now() const;
  void Push(Item item);  // under mu_
  void MoveDropsInto(std::deque<Item>& queue);
  void Loop();
  void Format(const Item& item, std::string& out);
  void Emit(const std::string& text);

  const MonotonicClock& clock_;
  const int64_t start_;
  TraceWriterOptions options_;
  std::unique_ptr<GrowingFile> file_;

  mutable std::mutex mu_;
  std::condition_variable wake_, idle_;
  std::deque<Item> queue_;
  std::size_t queued_ = 0;
  std::vector<Dropped> dropped_;
  uint64_t untracedTotal_ = 0;
  bool busy_ = false;
  bool stop_ = false;
  int flushing_ = 0;  // callers waiting in Flush

  // The writer thread's own.
  std::map<std::pair<std::string, int>, StreamMasker> maskers_;

  mutable std::mutex recentMu_;
  std::string recent_;
  bool recentCut_ = false;
  std::string writeError_;

  std::thread thread_;
};

}  // namespace bx
