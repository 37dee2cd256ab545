#include "platform/Terminal.h"

#include <cstdlib>

#include "platform/win32/Win32.h"

namespace bx {

// A console answers GetConsoleMode; a file or a pipe does not.
bool StandardOutputIsTerminal() {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

// On a console the echo is switched off for the read; elsewhere the input is read as it
// comes. `canceled` is not asked: the read waits for its line.
std::optional<std::string> ReadStandardInputLine(const std::string& prompt, std::size_t limit,
                                                 const std::function<bool()>&) {
  const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  const bool console = ::GetConsoleMode(in, &mode) != 0;
  if (console) {
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), prompt.data(), static_cast<DWORD>(prompt.size()), &written, nullptr);
    ::SetConsoleMode(in, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  }
  std::string line;
  bool ended = false;
  while (line.size() <= limit) {
    char c = 0;
    DWORD n = 0;
    if (!::ReadFile(in, &c, 1, &n, nullptr) || n == 0) {
      ended = !line.empty();
      break;
    }
    if (c == '\n') {
      ended = true;
      break;
    }
    line += c;
  }
  if (console) {
    ::SetConsoleMode(in, mode);
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), "\r\n", 2, &written, nullptr);
  }
  if (!ended || line.size() > limit) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

OutputResult WriteStandardOutput(const char* data, std::size_t size) {
  OutputResult r;
  const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  for (std::size_t done = 0; done < size;) {
    DWORD n = 0;
    const DWORD chunk = size - done > (1u << 20) ? (1u << 20) : static_cast<DWORD>(size - done);
    if (out == nullptr || out == INVALID_HANDLE_VALUE || !::WriteFile(out, data + done, chunk, &n, nullptr) || n == 0) {
      const DWORD err = out == nullptr || out == INVALID_HANDLE_VALUE ? ERROR_INVALID_HANDLE : ::GetLastError();
      r.ok = false;
      r.closedPipe = err == ERROR_NO_DATA || err == ERROR_BROKEN_PIPE;
      r.why = win32::ErrorText(err);
      return r;
    }
    done += n;
  }
  return r;
}

// A Windows program started without a standard handle has none to be taken over.
bool GuardStandardStreams() {
  const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  return out == nullptr || out == INVALID_HANDLE_VALUE;
}

void EndAsClosedPipe() { std::_Exit(141); }

}  // namespace bx
