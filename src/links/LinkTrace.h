#pragma once
// Where a link reports the bytes it moves, for a wire trace: every chunk written to the
// device and every chunk read from it, as it happens. A link without a trace reports
// nothing (the default).
#include <cstddef>
#include <string>

namespace bx {

enum class TraceDirection { Written, Read };

class LinkTrace {
 public:
  virtual ~LinkTrace() = default;
  // Called on the link's own threads (and by a Write on the caller's) for every chunk;
  // never blocks on I/O and keeps nothing of `data` past the call.
  virtual void Record(TraceDirection direction, const std::string& port, const char* data, std::size_t size) = 0;
  // A line of the program's own (the command that runs, a step); any thread.
  virtual void Note(const std::string& text) = 0;
  // Waits until what was recorded before the call is written (at most `timeoutMs`).
  virtual bool Flush(int timeoutMs) = 0;
  // The last part of the trace as written so far (the whole of it when it is short).
  virtual std::string RecentText() const = 0;
};

}  // namespace bx
