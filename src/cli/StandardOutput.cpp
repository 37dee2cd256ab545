#include "cli/StandardOutput.h"

#include <ostream>

#include "platform/Terminal.h"

namespace bx::cli {

namespace {
constexpr std::size_t kBufferSize = 8192;
}

StandardOutputBuffer::StandardOutputBuffer(bool closed, bool lineBuffered)
    : lineBuffered_(lineBuffered), closed_(closed) {}

StandardOutputBuffer::~StandardOutputBuffer() { Drain(); }

void StandardOutputBuffer::Drain() {
  // Without standard output a run that prints nothing has lost nothing.
  if (!failed_ && closed_ && !pending_.empty()) {
    failed_ = true;
    why_ = "it is closed";
  }
  if (!failed_ && !pending_.empty()) {
    const OutputResult r = WriteStandardOutput(pending_.data(), pending_.size());
    if (!r.ok) {
      failed_ = true;
      closedPipe_ = r.closedPipe;
      why_ = r.why;
    }
  }
  pending_.clear();
}

StandardOutputBuffer::int_type StandardOutputBuffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  pending_ += traits_type::to_char_type(c);
  if (pending_.size() >= kBufferSize || (lineBuffered_ && pending_.back() == '\n')) Drain();
  return c;
}

std::streamsize StandardOutputBuffer::xsputn(const char* s, std::streamsize n) {
  pending_.append(s, static_cast<std::size_t>(n));
  if (pending_.size() >= kBufferSize || (lineBuffered_ && n > 0 && s[n - 1] == '\n')) Drain();
  return n;
}

int StandardOutputBuffer::sync() {
  Drain();
  return 0;
}

int FinishStandardOutput(StandardOutputBuffer& out, std::ostream& err, int rc) {
  out.pubsync();
  if (!out.Failed()) return rc;
  if (out.ClosedPipe()) EndAsClosedPipe();
  err << "brevantix-cli: the output could not be written: " << out.Why() << "\n";
  err.flush();
  return 1;
}

}  // namespace bx::cli
