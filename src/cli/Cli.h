#pragma once
// brevantix-cli: a front end that drives the same window model headless. Every run is a
// start of the program: the window's creation sequence runs, the command "clicks" its
// controls and runs the event loop until the operation ends, and the close sequence
// writes the same settings the window would.
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "program/Demo.h"
#include "program/Program.h"
#include "ui/EventLoop.h"

namespace bx::cli {

struct Options {
  std::vector<std::string> ports;  // --port NAME (device paths handed to the virtual ports)
  bool demo = false;               // --demo: the in-process simulated adapter
  int answer = 0;                  // --yes / --no for questions (0: not given)
  bool help = false;
};

class TerminalDialogs;

// One CLI run: the services, the window model and the event loop.
struct Session {
  Options options;
  std::vector<std::string> args;  // the command's own arguments
  ProgramServices services;
  std::unique_ptr<TerminalDialogs> dialogs;
  std::unique_ptr<Clipboard> clipboard;
  ui::RealEventLoop loop;
  std::unique_ptr<TfrmMain> form;
  std::ostream* out = nullptr;
  std::ostream* err = nullptr;
  int messageCount = 0;  // message boxes shown so far
  std::unique_ptr<DemoAdapter> demo;
  std::string chosenPort;  // --demo or the first --port

  // Waits until the chosen port is listed and selected in cbCOM (or the window's default
  // port when none was chosen). False with a message on stderr when there is none.
  bool ChoosePort(int64_t timeoutMs = 4000);

  // Starts the window model (creation sequence and shown). False with a message on error.
  bool Start(AppContext& context);
  // Runs the event loop until pred holds or timeoutMs pass.
  bool RunUntil(const std::function<bool()>& pred, int64_t timeoutMs);
  // The close sequence; returns whether the window closed.
  bool Finish();
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
};

// Every command; each command file adds itself here.
std::vector<Command>& Commands();
struct Registrar {
  explicit Registrar(Command c) { Commands().push_back(std::move(c)); }
};

int Main(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace bx::cli
