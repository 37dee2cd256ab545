#include "platform/Terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace bx {

bool StandardOutputIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

namespace {

// Echo off for as long as the object lives, then the terminal's own settings again.
class NoEcho {
 public:
  NoEcho() {
    if (::tcgetattr(STDIN_FILENO, &saved_) != 0) return;
    termios quiet = saved_;
    quiet.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHOE | ECHOK | ECHONL));
    active_ = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
  }
  ~NoEcho() {
    if (active_) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
  }
  NoEcho(const NoEcho&) = delete;
  NoEcho& operator=(const NoEcho&) = delete;

 private:
  termios saved_{};
  bool active_ = false;
};

void WriteError(const std::string& text) {
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t n = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

std::optional<std::string> ReadStandardInputLine(const std::string& prompt, std::size_t limit,
                                                 const std::function<bool()>& canceled) {
  const bool terminal = ::isatty(STDIN_FILENO) == 1;
  std::optional<NoEcho> quiet;
  if (terminal) {
    WriteError(prompt);
    quiet.emplace();
  }
  std::string line;
  bool ended = false;
  // Byte by byte: what follows the line stays in the input for whoever reads next.
  while (line.size() <= limit) {
    pollfd p{STDIN_FILENO, POLLIN, 0};
    const int ready = ::poll(&p, 1, 100);
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) {
      if (canceled && canceled()) break;
      continue;
    }
    char c = 0;
    const ssize_t n = ::read(STDIN_FILENO, &c, 1);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) {
      ended = !line.empty();
      break;
    }
    if (c == '\n') {
      ended = true;
      break;
    }
    line += c;
  }
  if (terminal) WriteError("\n");
  if (!ended || line.size() > limit) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

OutputResult WriteStandardOutput(const char* data, std::size_t size) {
  OutputResult r;
  for (std::size_t done = 0; done < size;) {
    const ssize_t n = ::write(STDOUT_FILENO, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int err = n < 0 ? errno : EIO;
      r.ok = false;
      r.closedPipe = err == EPIPE;
      r.why = std::strerror(err);
      return r;
    }
    done += static_cast<std::size_t>(n);
  }
  return r;
}

bool GuardStandardStreams() {
  bool outputClosed = false;
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number is this one: the streams below it are open by now.
    const int null = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (null >= 0 && null != fd) {
      ::dup2(null, fd);
      ::close(null);
    }
    if (fd == STDOUT_FILENO) outputClosed = true;
  }
  return outputClosed;
}

void EndAsClosedPipe() {
  ::signal(SIGPIPE, SIG_DFL);
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  ::pthread_sigmask(SIG_UNBLOCK, &pipe, nullptr);
  ::raise(SIGPIPE);
  ::_exit(128 + SIGPIPE);
}

}  // namespace bx
