#pragma once
// brevantix-cli: the program on the command line. Every run is a start of the program
// without its window: the settings store with the start's writes, the link table and
// its port list, the dialogs on the terminal; the adapter commands run their operations
// on adapter devices of their own and the event loop runs until the operation ends; the
// close writes the same settings the window's would. The commands that work a page (the
// Network and pass-thru pages) make that page alone, with its controls, on the run's
// services.
#include <atomic>
#include <functional>
#include <initializer_list>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Shown.h"
#include "core/PortList.h"
#include "host/Demo.h"
#include "host/Services.h"
#include "settings/ProgramStart.h"
#include "ui/EventLoop.h"

namespace bx::cli {

// The description of a port given with --port that no link lists by itself.
inline constexpr const char* kCommandLinePort = "Port given on the command line";

struct Options {
  std::vector<std::string> ports;  // --port NAME (device paths handed to the virtual ports)
  bool demo = false;               // --demo: the in-process simulated adapter
  int answer = 0;                  // --yes / --no for questions (0: not given)
  bool help = false;
  bool json = false;       // --json: one JSON document on standard output
  std::string trace;       // --trace FILE: the wire trace of every link
  bool traceKeys = false;  // --trace-keys: the WiFi keys unmasked in the trace
};

}  // namespace bx::cli
namespace bx {
class LinkTable;
}
namespace bx::cli {

class TerminalDialogs;
class JsonDocument;
struct Command;

// One CLI run: the services, the settings, the links and the event loop.
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
  // The program's settings, and the program as the start registers it.
  std::unique_ptr<Settings> settings;
  std::optional<VersionRecord> version;
  std::string productName = "Brevantix";  // the adapter's name in messages
  ProgramRegistration registration;
  SortState sort;  // the mode list's sort as the start read it; the close writes it back
  // The link table: every port the window would offer, and a link of its own for each
  // device a command works with.
  std::unique_ptr<LinkTable> links;
  // The serial links' prefix ("/dev/", "COM"), as the links tell it.
  std::string serialPrefix;
  std::ostream* out = nullptr;
  std::ostream* err = nullptr;
  int messageCount = 0;  // message boxes shown so far
  std::unique_ptr<DemoAdapter> demo;
  std::string chosenPort;  // --demo or the first --port
  // With --json: the document the command fills and Main prints once, at the end (owned
  // by Main; null without --json). Then `out` goes to standard error as well, and what
  // the command writes there is also the document's "text".
  JsonDocument* json = nullptr;

  // Sets `port` to the chosen port (--port, --demo), once the links list it, or without
  // one to the port the window would choose (the most recently used one listed). False
  // with a message on stderr when there is none.
  bool ChoosePort();
  std::string port;
  // The ports as the window's port list offers them, once every link has scanned.
  PortLists Ports();
  // The port as the port list shows it ("NAME (description)").
  std::string PortShown(const std::string& name);
  // A message box captioned with the application title, " - " and the short caption.
  int AppMessageBox(const std::string& shortCaption, const std::string& text, int flags);
  // The open-file dialog for a program to start (the platform's program files, then all).
  bool SelectProgram(std::string& fileName);

  // Starts the program: the settings and their start writes, and the links. False with
  // a message on error.
  bool Start();
  // Runs the event loop until pred holds, timeoutMs pass or a termination signal came.
  bool RunUntil(const std::function<bool()>& pred, int64_t timeoutMs);
  // The same, but a signal does not end it (the wind-down after a signal).
  bool RunUntilIgnoringSignal(const std::function<bool()>& pred, int64_t timeoutMs);
  // The close: the links ended and the close's settings written.
  void Finish();

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
  // Set by a command whose --port values are patterns matched as ports appear (the
  // station): they are not offered as ports.
  bool portsArePatterns = false;
};

struct Command {
  std::string name;
  std::string usage;    // arguments after the name
  std::string summary;  // one line
  std::string help;     // more lines for --help
  // Runs with the program started; returns the exit code.
  std::function<int(Session&)> run;
  // Optional: adjust the session before the program starts.
  std::function<void(Session&)> prepare;
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
