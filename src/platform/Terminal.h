#pragma once
// The program's standard streams as a terminal or as files and pipes: whether a person
// watches standard output (the CLI draws its progress bar only then), and a line typed
// on standard input without being shown (a key).
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace bx {

bool StandardOutputIsTerminal();

// Reads one line from standard input, without its line end, at most `limit` bytes. On a
// terminal `prompt` goes to standard error first and what is typed is not echoed; the
// terminal is as it was afterwards however the read ends. nullopt at the end of the input
// before a line, on an error, or once `canceled` (asked every tenth of a second while
// nothing comes) says so.
std::optional<std::string> ReadStandardInputLine(const std::string& prompt, std::size_t limit,
                                                 const std::function<bool()>& canceled = {});

// Standard output written to its descriptor as it is, for a front end that must know
// whether its output arrived. `closedPipe`: the reader went away (EPIPE), which ends a
// program quietly; any other failure (a full disk, a closed descriptor) is in `why`.
struct OutputResult {
  bool ok = true;
  bool closedPipe = false;
  std::string why;
};
OutputResult WriteStandardOutput(const char* data, std::size_t size);

// Called first thing: a standard stream the program was started without (closed) gets
// the null device, so that no file or port opened later takes its place and receives
// the program's output. Returns whether standard output was one of them.
bool GuardStandardStreams();

// Ends the process as a write to a closed pipe ends one by default: by SIGPIPE (exit
// status 141 in a shell), or with that status where there is no such signal.
[[noreturn]] void EndAsClosedPipe();

}  // namespace bx
