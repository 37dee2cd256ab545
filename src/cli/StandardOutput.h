#pragma once
// Standard output as the CLI writes it: buffered, written to its descriptor, and the
// first failure kept, so that output that did not arrive is an error and not exit 0.
#include <streambuf>
#include <string>

namespace bx::cli {

class StandardOutputBuffer : public std::streambuf {
 public:
  // `closed`: the program was started without standard output. `lineBuffered`: each
  // finished line is written at once (a terminal, where a person reads as it comes).
  StandardOutputBuffer(bool closed, bool lineBuffered);
  ~StandardOutputBuffer() override;
  StandardOutputBuffer(const StandardOutputBuffer&) = delete;
  StandardOutputBuffer& operator=(const StandardOutputBuffer&) = delete;

  // After a failure the rest of the output is dropped. Without standard output the first
  // output written is the failure.
  bool Failed() const { return failed_; }
  bool ClosedPipe() const { return closedPipe_; }
  const std::string& Why() const { return why_; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  void Drain();
  std::string pending_;
  bool lineBuffered_;
  bool closed_;
  bool failed_ = false;
  bool closedPipe_ = false;
  std::string why_;
};

// The end of a run whose output may not have arrived: a closed pipe ends the process
// quietly as SIGPIPE would; any other failure is told on `err` and the exit code is 1.
// Otherwise `rc` stands.
int FinishStandardOutput(StandardOutputBuffer& out, std::ostream& err, int rc);

}  // namespace bx::cli
