#pragma once
// The window's start: its context made of the program's services, the trace and port
// arguments of both window programs, and their --help and --version texts.
#include <memory>
#include <string>
#include <vector>

#include "host/Demo.h"
#include "host/Services.h"
#include "window/Unitmain.h"

namespace bx {

// The window's context for this process, with the given dialogs and clipboard.
AppContext MakeProgramContext(ProgramServices& services, Dialogs& dialogs, Clipboard& clipboard,
                              std::vector<std::string> args);

// The window program's --trace FILE and --trace-keys, taken out of `args` (the rest stay
// in order). False with the reason for a --trace without FILE or --trace-keys alone.
struct TraceRequest {
  std::string path;  // "" when no trace was asked for
  bool showKeys = false;
};
bool TakeTraceArguments(std::vector<std::string>& args, TraceRequest& request, std::string& why);
// Both window programs' start: the trace arguments taken out of `args`, and the trace
// opened when one was asked for (`trace` stays null otherwise), its first note the whole
// command line. False with the message to show.
bool OpenWindowTrace(std::vector<std::string>& args, int argc, char** argv, std::unique_ptr<TraceWriter>& trace,
                     std::string& message);

// Offers the demo adapter to the window: its pseudo-terminal as a port, its network for
// the network search, its firmware image on the Update page. Nothing where the build has
// no simulator.
void OfferDemo(DemoAdapter& demo, AppContext& context);

// Chooses `port` in cbCOM as soon as the links list it (--port, --demo).
void PreferPort(TfrmMain& form, const std::string& port);

// The window program's --help text (with --demo where the simulated adapter runs) and its
// --version line, the same from both window programs.
std::string WindowProgramHelp();
std::string WindowProgramVersion();

}  // namespace bx
