#include "links/TraceWriter.h"

#include <algorithm>
#include <chrono>

#include "core/Bytes.h"

namespace bx {

namespace {

constexpr std::size_t kBytesPerLine = 32;
// Once woken for a first chunk the writer gathers for this long before it takes the
// batch, so that the chunks that follow join it without waking it each time.
constexpr std::chrono::milliseconds kBatchWindow{10};
// An open piece longer than this keeps only what still decides its masking.
constexpr std::size_t kPieceLimit = 64;
// A key decodes to at most 5 bytes, so one of more than 15 raw characters (after its
// last ":") never names a masked key; 16 of them decide as well as the whole.
constexpr std::size_t kKeyTail = 16;

const char* DirectionText(TraceDirection d) { return d == TraceDirection::Written ? "TX" : "RX"; }

// A port name as a trace field: printable, without spaces.
std::string PortField(const std::string& port) {
  std::string out = port.empty() ? "-" : port;
  for (char& c : out)
    if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F) c = '?';
  return out;
}

// A note's text as one line of printable characters.
std::string NoteText(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) c = '.';
  return out;
}

}  // namespace

// ---- StreamMasker ----

std::string StreamMasker::Take(std::string_view chunk) {
  if (!mask_) return std::string(chunk);
  std::string out;
  std::size_t pos = 0;
  while (pos < chunk.size()) {
    const std::size_t end = std::min(chunk.find_first_of(" &?\r\n", pos), chunk.size());
    if (end == pos) {
      // A separator or a line end closes the piece and passes as it is.
      out += chunk[pos++];
      piece_.clear();
      emitted_ = 0;
      continue;
    }
    // Each piece is masked on its own, as in a whole line; what its masked form has
    // beyond the part already sent goes out now.
    piece_.append(chunk.substr(pos, end - pos));
    const std::string masked = mask_(piece_);
    if (masked.size() > emitted_) out.append(masked, emitted_, std::string::npos);
    emitted_ = masked.size();
    if (piece_.size() > kPieceLimit) {
      Shorten();
      emitted_ = mask_(piece_).size();
    }
    pos = end;
  }
  return out;
}

// The key (its last characters) and its "=": what decides how the rest of the value is
// masked. The value's bytes seen so far went out already.
void StreamMasker::Shorten() {
  const std::size_t eq = piece_.find('=');
  std::string key = piece_.substr(0, eq == std::string::npos ? piece_.size() : eq);
  if (key.size() > kKeyTail) key.erase(0, key.size() - kKeyTail);
  piece_ = eq == std::string::npos ? key : key + "=";
}

// ---- TraceWriter ----

TraceWriter::TraceWriter(std::unique_ptr<GrowingFile> file, const MonotonicClock& clock, TraceWriterOptions options)
    : clock_(clock), start_(clock.NowMicros()), options_(std::move(options)), file_(std::move(file)) {
  if (!options_.header.empty()) Emit(NoteText(options_.header) + "\n");
  thread_ = std::thread([this] { Loop(); });
}

TraceWriter::~TraceWriter() {
  {
    std::lock_guard<std::mutex> g(mu_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

int64_t TraceWriter::Now() const { return std::max<int64_t>(0, clock_.NowMicros() - start_); }

void TraceWriter::Push(Item item) {
  const bool first = queue_.empty();
  const std::size_t before = queued_;
  queued_ += item.data.size();
  queue_.push_back(std::move(item));
  // The writer waits for a first chunk, then gathers until half the queue is taken.
  if (first || (before < options_.queueLimit / 2 && queued_ >= options_.queueLimit / 2)) wake_.notify_one();
}

void TraceWriter::MoveDropsInto(std::deque<Item>& queue) {
  for (Dropped& d : dropped_) {
    Item item;
    item.kind = Kind::Untraced;
    item.us = d.firstUs;
    item.direction = d.direction;
    item.port = std::move(d.port);
    item.untraced = d.bytes;
    queue.push_back(std::move(item));
  }
  dropped_.clear();
}

void TraceWriter::Record(TraceDirection direction, const std::string& port, const char* data, std::size_t size) {
  if (size == 0) return;
  std::lock_guard<std::mutex> g(mu_);
  // Read under the lock, so that the queue's order is the order of the times.
  const int64_t us = Now();
  if (queued_ + size > options_.queueLimit) {
    untracedTotal_ += size;
    for (Dropped& d : dropped_) {
      if (d.port == port && d.direction == direction) {
        d.bytes += size;
        return;
      }
    }
    dropped_.push_back({port, direction, us, size});
    if (queue_.empty()) wake_.notify_one();  // nothing else wakes the writer for the count
    return;
  }
  // What was not traced comes before the next chunk that is.
  if (!dropped_.empty()) {
    const bool wake = queue_.empty();
    MoveDropsInto(queue_);
    if (wake) wake_.notify_one();
  }
  Item item;
  item.us = us;
  item.direction = direction;
  item.port = port;
  item.data.assign(data, size);
  Push(std::move(item));
}

void TraceWriter::Note(const std::string& text) {
  Item item;
  item.kind = Kind::Note;
  item.data = options_.maskLine ? options_.maskLine(text) : text;
  std::lock_guard<std::mutex> g(mu_);
  item.us = Now();
  if (!dropped_.empty()) MoveDropsInto(queue_);
  Push(std::move(item));
}

bool TraceWriter::Flush(int timeoutMs) {
  std::unique_lock<std::mutex> lk(mu_);
  ++flushing_;
  wake_.notify_all();  // no gathering while someone waits
  const bool done = idle_.wait_for(lk, std::chrono::milliseconds(std::max(0, timeoutMs)),
                                   [this] { return queue_.empty() && dropped_.empty() && !busy_; });
  --flushing_;
  return done;
}

uint64_t TraceWriter::UntracedBytes() const {
  std::lock_guard<std::mutex> g(mu_);
  return untracedTotal_;
}

std::string TraceWriter::WriteError() const {
  std::lock_guard<std::mutex> g(recentMu_);
  return writeError_;
}

std::string TraceWriter::RecentText() const {
  std::lock_guard<std::mutex> g(recentMu_);
  if (!recentCut_) return recent_;
  return "# (the beginning of the trace is left out: only its last " + std::to_string(options_.recentLimit) +
         " bytes are kept)\n" + recent_;
}

void TraceWriter::Loop() {
  std::unique_lock<std::mutex> lk(mu_);
  for (;;) {
    wake_.wait(lk, [this] { return stop_ || !queue_.empty() || !dropped_.empty(); });
    if (queue_.empty() && dropped_.empty()) break;  // stopped, and everything is written
    wake_.wait_for(lk, kBatchWindow,
                   [this] { return stop_ || flushing_ > 0 || queued_ >= options_.queueLimit / 2; });
    std::deque<Item> batch;
    batch.swap(queue_);
    queued_ = 0;
    MoveDropsInto(batch);
    busy_ = true;
    lk.unlock();
    std::string text;
    for (const Item& item : batch) Format(item, text);
    Emit(text);
    lk.lock();
    busy_ = false;
    idle_.notify_all();
  }
  busy_ = false;
  idle_.notify_all();
}

void TraceWriter::Format(const Item& item, std::string& out) {
  const std::string stamp = bx::Format("%12lld ", static_cast<long long>(item.us));
  if (item.kind == Kind::Note) {
    out += stamp + "## " + NoteText(item.data) + "\n";
    return;
  }
  const std::string port = PortField(item.port);
  const char* dir = DirectionText(item.direction);
  if (item.kind == Kind::Untraced) {
    out += stamp + "-- " + port + " untraced " + dir + " " + std::to_string(item.untraced) +
           " bytes: the trace could not keep up\n";
    return;
  }
  auto& masker = maskers_.try_emplace({item.port, static_cast<int>(item.direction)}, options_.maskLine).first->second;
  const std::string bytes = masker.Take(item.data);
  static const char kHex[] = "0123456789ABCDEF";
  for (std::size_t off = 0; off < bytes.size() || off == 0; off += kBytesPerLine) {
    const std::size_t n = std::min(kBytesPerLine, bytes.size() - off);
    out += stamp;
    out += dir;
    out += ' ';
    out += port;
    out += off == 0 ? " [" + std::to_string(bytes.size()) + "]" : " [+" + std::to_string(off) + "]";
    std::string text;
    for (std::size_t i = 0; i < n; ++i) {
      const auto c = static_cast<unsigned char>(bytes[off + i]);
      out += ' ';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
      text += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '.';
    }
    out += "  |" + text + "|\n";
    if (bytes.empty()) break;
  }
}

void TraceWriter::Emit(const std::string& text) {
  if (text.empty()) return;
  std::lock_guard<std::mutex> g(recentMu_);
  if (file_) {
    std::string why;
    if (!file_->Append(text, why)) {
      writeError_ = why.empty() ? "the trace file could not be written" : why;
      file_.reset();
      recent_ += "# the trace file could not be written (" + NoteText(writeError_) + "): what follows is not in it\n";
    }
  }
  recent_ += text;
  if (recent_.size() > options_.recentLimit) {
    // Cut at a line start, keeping about three quarters of the limit.
    std::size_t from = recent_.size() - options_.recentLimit * 3 / 4;
    const std::size_t nl = recent_.find('\n', from);
    from = nl == std::string::npos ? recent_.size() : nl + 1;
    recent_.erase(0, from);
    recentCut_ = true;
  }
}

}  // namespace bx
