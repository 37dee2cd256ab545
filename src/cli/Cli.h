#pragma once
// brevantix-cli: the program on the command line. Every run is a start of the program:
// the window model's creation sequence runs headless (for the port list, the settings and
// the dialogs), the adapter commands run their operations on adapter devices of their own
// (the passthru, net, discover and report commands still click the headless window's
// controls), the event loop runs until the operation ends, and the close sequence writes
// the same settings the window would.
#include <atomic>
#include <functional>
#include <initializer_list>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Shown.h"
#include "program/Demo.h"
#include "program/Program.h"
#include "ui/EventLoop.h"

namespace bx::cli {

struct Options {
  std::vector<std::string> ports;  // --port NAME (device paths handed to the virtual ports)
  bool demo = false;               // --demo: the in-process simulated adapter
  int answer = 0;                  // --yes / --no for questions (0: not given)
  bool help = false;
  bool json = false;  // --json: one JSON document on standard output
  std::string trace;  // --trace FILE: the wire trace of every link
  bool traceKeys = false;  // --trace-keys: the WiFi keys unmasked in the trace
};

class TerminalDialogs;
class JsonDocument;

// One CLI run: the services, the window model and the event loop.
struct Session {
  Session();
  ~Session();
  Options options;
  std::vector<std::string> args;  // the command's own arguments
  ProgramServices services;
  // The wire trace (--trace), before the window whose links report to it.
  std::unique_ptr<TraceWriter> trace;
  std::string commandLine;  // the run's arguments, for the trace's first note
  std::unique_ptr<TerminalDialogs> dialogs;
  std::unique_ptr<Clipboard> clipboard;
  ui::RealEventLoop loop;
  std::unique_ptr<TfrmMain> form;
  std::ostream* out = nullptr;
  std::ostream* err = nullptr;
  int messageCount = 0;  // message boxes shown so far
  std::unique_ptr<DemoAdapter> demo;
  std::string chosenPort;  // --demo or the first --port
  // With --json: the document the command fills and Main prints once, at the end (owned
  // by Main; null without --json). Then `out` goes to standard error as well, and what
  // the command writes there is also the document's "text".
  JsonDocument* json = nullptr;

  // Makes the chosen port (or the window's default port when none was chosen) the one
  // selected in cbCOM. A port named with --port or --demo is listed at once: the links'
  // first scan is waited for rather than the next refresh tick. False with a message
  // on stderr when there is none.
  bool ChoosePort();

  // Starts the window model (creation sequence and shown). False with a message on error.
  bool Start(AppContext& context);
  // Runs the event loop until pred holds, timeoutMs pass or a termination signal came.
  bool RunUntil(const std::function<bool()>& pred, int64_t timeoutMs);
  // The same, but a signal does not end it (the wind-down after a signal).
  bool RunUntilIgnoringSignal(const std::function<bool()>& pred, int64_t timeoutMs);
  // The close sequence; returns whether the window closed.
  bool Finish();

  // Reports a failure of the command on stderr ("brevantix-cli: TEXT") and, with
  // --json, as the document's "error"; returns `code` for the command to return.
  int Fail(int code, const std::string& text);
  // The usage error for an argument the command does not take: "COMMAND: unexpected
  // argument ARG (see brevantix-cli COMMAND --help)", exit code 2.
  int Unexpected(const std::string& command, const std::string& arg);
  // Checks that every argument of the command is one of `options`, with at most
  // `positional` others; false after Unexpected for the first one too many.
  bool TakesOnly(const std::string& command, std::initializer_list<std::string_view> options,
                 std::size_t positional = 0);
  // The text of the last error message box the window showed ("" when none).
  std::string lastMessage;

  // The first SIGINT or SIGTERM that came while the command ran (0: none). Set from the
  // signal watch's thread; the event loop is woken for it.
  std::atomic<int> signal{0};
  int Signal() const { return signal.load(); }
  // Set by a command for which that signal is the normal end (the flashing station):
  // its own exit code stands.
  bool signalEnds = false;
};

struct Command {
  std::string name;
  std::string usage;    // arguments after the name
  std::string summary;  // one line
  std::string help;     // more lines for --help
  // Runs with the window started; returns the exit code.
  std::function<int(Session&)> run;
  // Optional: adjust the context before the window is created.
  std::function<void(Session&, AppContext&)> prepare;
  // A command that runs until the adapter or the network has answered: the first
  // termination signal winds it down (the command's own stop, the close sequence, the
  // exit status of the signal) instead of ending the process at once.
  bool windsDown = false;
  // Whether the command, given these arguments, is there to change the settings (a
  // device list edit, a registration): then a store that cannot be written fails it at
  // once. Unset: it only reads them, and runs with a warning that they are not saved.
  std::function<bool(const std::vector<std::string>& args)> savesSettings = nullptr;
};

// Every command; each command file adds itself here.
std::vector<Command>& Commands();
struct Registrar {
  explicit Registrar(Command c) { Commands().push_back(std::move(c)); }
};

int Main(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace bx::cli
