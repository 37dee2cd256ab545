#include "program/Program.h"

#include <filesystem>

#include "exchange/PortList.h"
#include "platform/Files.h"
#include "platform/System.h"
#include "platform/SystemServices.h"
#include "host/Demo.h"
#include "window/Modules.h"

namespace bx {

AppContext MakeProgramContext(ProgramServices& s, Dialogs& dialogs, Clipboard& clipboard,
                              std::vector<std::string> args) {
  AppContext c;
  c.registry = s.registry.get();
  c.dialogs = &dialogs;
  c.clipboard = &clipboard;
  c.shell = s.shell.get();
  c.version = BuiltInVersionRecord();
  c.programPath = ProgramPath();
  c.serialListing = SystemSerialPortListing();
  c.args = std::move(args);
  c.timerResolution = s.timerResolution.get();
  c.desktop = s.desktop.get();
  c.libraries = s.libraries.get();
  c.archives = s.archives.get();
  c.folders = s.folders;
  c.network = s.network.get();
  return c;
}

void OfferDemo(DemoAdapter& demo, AppContext& context) {
  if (!DemoAdapter::Available()) return;
  context.virtualPorts.emplace_back(demo.Port(), kDemoPortDescription);
  context.network = demo.Network();
  context.offeredFirmware = FindDemoImage(context.programPath);
}

bool TakeTraceArguments(std::vector<std::string>& args, TraceRequest& request, std::string& why) {
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--trace") {
      if (i + 1 >= args.size()) {
        why = "--trace needs a FILE";
        return false;
      }
      request.path = args[++i];
    } else if (args[i] == "--trace-keys") {
      request.showKeys = true;
    } else {
      rest.push_back(args[i]);
    }
  }
  if (request.showKeys && request.path.empty()) {
    why = "--trace-keys needs --trace FILE";
    return false;
  }
  args = std::move(rest);
  return true;
}

bool OpenWindowTrace(std::vector<std::string>& args, int argc, char** argv, std::unique_ptr<TraceWriter>& trace,
                     std::string& message) {
  TraceRequest request;
  if (!TakeTraceArguments(args, request, message)) return false;
  if (request.path.empty()) return true;
  std::string commandLine, why;
  for (int i = 0; i < argc; ++i) commandLine += (i ? " " : "") + std::string(argv[i]);
  trace = OpenWireTrace(request.path, request.showKeys, commandLine, why);
  if (!trace) message = "The trace " + request.path + " cannot be written: " + why;
  return trace != nullptr;
}

void PreferPort(TfrmMain& form, const std::string& port) {
  form.Modules->ports->preferred = port;
  form.Modules->ports->Refresh(true);
}

std::string WindowProgramHelp() {
  const bool demo = DemoAdapter::Available();
  return std::string("Usage: brevantix-configurator ") + (demo ? "[--demo] " : "") +
         "[--trace FILE [--trace-keys]] [FILE.rfw]\n"
         "\n"
         "Configure Brevantix diagnostic adapters and update their firmware, in one window.\n"
         "\n"
         "  FILE.rfw    open the Update page with this firmware image\n" +
         (demo ? "  --demo      start the built-in simulated adapter and offer its port\n" : "") +
         "  --trace FILE  write a wire trace of the ports' traffic to FILE as it goes\n"
         "              (WiFi keys masked; --trace-keys leaves them unmasked)\n"
         "  Ctrl+Shift+S  in the window: save a support report (a zip) in the home folder\n"
         "  --help      print this text and exit\n"
         "  --version   print the version and exit\n"
         "\n"
         "The same operations from a terminal: brevantix-cli --help.\n";
}

std::string WindowProgramVersion() {
  const auto v = BuiltInVersionRecord();
  return "brevantix-configurator " + (v ? v->fileVersion : std::string("(no version record)")) + "\n";
}

}  // namespace bx
