#include "cli/Cli.h"

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "cli/JsonDocument.h"
#include "cli/StandardOutput.h"
#include "cli/TerminalDialogs.h"
#include "links/LinkTable.h"
#include "platform/System.h"
#include "platform/Terminal.h"
#include "platform/TerminationSignals.h"
#include "ui/Controls.h"

namespace bx::cli {

std::vector<Command>& Commands() {
  static std::vector<Command> commands;
  return commands;
}

namespace {

// Bounds a port named on the command line that never shows in the list (a link whose
// first scan does not end).
constexpr int64_t kPortListedMs = 4000;

const char* kGlobalHelp =
    "Global options:\n"
    "  --port NAME   offer the device NAME (for example /dev/ttyUSB0 or a pseudo-terminal)\n"
    "                as a port and choose it; may be given more than once (flash then\n"
    "                uploads to every one of them at once)\n"
    "  --demo        start the built-in simulated adapter and use its port\n"
    "  --yes, --no   the answer to questions the program asks\n"
    "  --json        print one JSON document instead of text (see the README)\n"
    "  --trace FILE  write a wire trace to FILE as the run goes: every chunk written to and\n"
    "                read from a port, with its time, port and bytes (WiFi keys masked)\n"
    "  --trace-keys  leave the WiFi keys unmasked in the trace\n"
    "  --version     the program's product name, version and company\n"
    "  --help        this text, or the help of a command\n";

void PrintUsage(std::ostream& out) {
  out << "Usage: brevantix-cli [global options] COMMAND [arguments]\n\n"
      << "Brevantix Configurator on the command line: the same program as the window, without one.\n\n"
      << kGlobalHelp << "\nCommands:\n";
  for (const auto& c : Commands())
    out << "  " << c.name << (c.usage.empty() ? "" : " " + c.usage) << "\n      " << c.summary << "\n";
}

void PrintCommandHelp(std::ostream& out, const Command& c) {
  out << "Usage: brevantix-cli [global options] " << c.name << (c.usage.empty() ? "" : " " + c.usage) << "\n\n"
      << c.summary << "\n";
  if (!c.help.empty()) out << "\n" << c.help << "\n";
  out << "\n" << kGlobalHelp;
}

// The file association and the "Path" value name the window program, not this one, so
// that a firmware file opened from the desktop starts the window. Empty when there is no
// window program beside this one.
std::string WindowProgramPath() {
  namespace fs = std::filesystem;
  const fs::path self = ProgramPath();
  std::error_code ec;
  const fs::path name = fs::path("brevantix-configurator").replace_extension(self.extension());  // ".exe" or none
  for (const fs::path& p : {self.parent_path() / name, self.parent_path().parent_path() / "view" / "qt" / name})
    if (fs::exists(p, ec)) return fs::weakly_canonical(p, ec).string();
  return {};
}

}  // namespace

Session::Session() = default;
Session::~Session() = default;

bool Session::Start() {
  ui::EventLoop::SetCurrent(&loop);
  // The standard exception display: the application title and the message, as an error.
  ui::SetExceptionDisplay([this](const std::string& message) {
    std::string text = message;
    if (text.empty() || (text.back() != '.' && text.back() != '!' && text.back() != '?')) text += '.';
    if (dialogs) dialogs->MessageBox(ApplicationTitle(version), text, mb::IconError);
  });
  version = BuiltInVersionRecord();
  if (version) productName = version->productName;
  settings = std::make_unique<Settings>(*services.registry);
  try {
    // The start's writes, as the window's creation makes them.
    WriteStartupSettings(*settings, registration);
    sort = ReadSortState(*settings);
    LinkConfig config;
    config.registry = services.registry.get();
    config.settingsKey = settings->SettingsKey;
    if (SystemSerialPortListing() == SerialPortListing::Registry) config.serialSource = SerialSource::Registry;
    if (!portsArePatterns)
      for (const std::string& p : options.ports) config.virtualPorts.push_back({p, kCommandLinePort, ""});
    if (demo) config.virtualPorts.push_back({demo->Port(), kDemoPortDescription, ""});
    config.trace = trace.get();
    links = LinksCreate(config);
    serialPrefix = links->Serial(0).Prefix();
  } catch (const std::exception& e) {
    ui::ShowException(e.what());
    return false;
  }
  return true;
}

PortLists Session::Ports() {
  if (!links) return {};
  // Every link lists its ports in its first scan pass, begun when the links were made.
  links->WaitScanAll(false);
  return links->CollectPorts();
}

std::string Session::PortShown(const std::string& name) { return PortText(Ports(), name, kCommandLinePort); }

int Session::AppMessageBox(const std::string& shortCaption, const std::string& text, int flags) {
  return dialogs->MessageBox(ApplicationTitle(version) + " - " + shortCaption, text, flags);
}

bool Session::SelectProgram(std::string& fileName) { return ChooseProgramFile(dialogs.get(), fileName); }

bool Session::ChoosePort() {
  if (chosenPort.empty()) {
    // The port the window would preselect: the most recently used one that is listed.
    const PortLists rows = Ports();
    const int recent = RecentPortIndex(*settings, rows, serialPrefix);
    if (recent >= 0) {
      port = rows.Names[static_cast<std::size_t>(recent)];
      return true;
    }
    Fail(2, "no port chosen: give --port NAME or --demo (see the ports command)");
    return false;
  }
  // A named port shows in the links' first scan pass; one that does not is looked for in
  // the passes after it, for a while.
  auto listed = [this] {
    const PortLists rows = Ports();
    return std::find(rows.Names.begin(), rows.Names.end(), chosenPort) != rows.Names.end();
  };
  const int64_t until = loop.NowMs() + kPortListedMs;
  bool found = listed();
  while (!found && Signal() == 0 && loop.NowMs() < until) {
    links->WaitScanAll(true);
    found = listed();
  }
  if (found) {
    port = chosenPort;
    return true;
  }
  if (Signal() == 0) Fail(2, "the port " + chosenPort + " is not listed");
  return false;
}

bool Session::RunUntil(const std::function<bool()>& pred, int64_t timeoutMs) {
  return loop.Run([&] { return Signal() != 0 || pred(); }, timeoutMs) && Signal() == 0;
}

bool Session::RunUntilIgnoringSignal(const std::function<bool()>& pred, int64_t timeoutMs) {
  return loop.Run(pred, timeoutMs);
}

void Session::Finish() {
  if (!settings) return;
  // The links' threads end before the close's writes, as the window's close ends them.
  links.reset();
  try {
    WriteSortState(*settings, sort);
  } catch (const std::exception& e) {
    ui::ShowException(e.what());
  }
  settings.reset();
  ui::SetExceptionDisplay({});
  ui::EventLoop::SetCurrent(nullptr);
}

int Session::Fail(int code, const std::string& text) {
  *err << "brevantix-cli: " << Shown(text) << "\n";
  if (json) json->Error(text);
  return code;
}

int Session::Unexpected(const std::string& command, const std::string& arg) {
  return Fail(2, command + ": unexpected argument " + arg + " (see brevantix-cli " + command + " --help)");
}

bool Session::TakesOnly(const std::string& command, std::initializer_list<std::string_view> options,
                        std::size_t positional) {
  std::size_t others = 0;
  for (const std::string& a : args) {
    bool known = false;
    for (std::string_view o : options) known = known || a == o;
    if (known) continue;
    if ((a.empty() || a[0] != '-') && others < positional) {
      ++others;
      continue;
    }
    Unexpected(command, a);
    return false;
  }
  return true;
}

namespace {

// The global options before the command name; returns the index of the command name, or
// -1 after an unknown option (reported), or 0 after --version (printed, or with --json
// put in the document).
int ParseGlobalOptions(int argc, char** argv, Session& s) {
  Options& o = s.options;
  int i = 1;
  bool version = false;
  for (; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--port" && i + 1 < argc) {
      o.ports.push_back(argv[++i]);
    } else if (a == "--port") {
      s.Fail(2, "--port needs a NAME");
      return -1;
    } else if (a == "--trace" && i + 1 < argc) {
      o.trace = argv[++i];
    } else if (a == "--trace") {
      s.Fail(2, "--trace needs a FILE");
      return -1;
    } else if (a == "--trace-keys") {
      o.traceKeys = true;
    } else if (a == "--demo") {
      o.demo = true;
    } else if (a == "--yes" || a == "--no") {
      const int answer = a == "--yes" ? mb::IdYes : mb::IdNo;
      if (o.answer != 0 && o.answer != answer) {
        s.Fail(2, "--yes and --no cannot be given together");
        return -1;
      }
      o.answer = answer;
    } else if (a == "--json") {
      o.json = true;
    } else if (a == "--version") {
      version = true;
    } else if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (!a.empty() && a[0] == '-') {
      s.Fail(2, "unknown option " + a + " (see brevantix-cli --help)");
      return -1;
    } else {
      break;
    }
  }
  if (!version) return i;
  const VersionRecord v = BuiltInVersionRecord().value_or(VersionRecord{});
  if (s.json)
    s.json->doc.update(Json{{"product", v.productName}, {"version", v.fileVersion}, {"company", v.companyName}});
  else
    *s.out << v.productName << " " << v.fileVersion << "\n" << v.companyName << "\n";
  return 0;
}

// Whether --json is among the global options, looked for before they are read, so that
// even a mistake in them is told as a document.
bool WantsJson(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--json") return true;
    if (a == "--port" || a == "--trace")
      ++i;
    else if (a.empty() || a[0] != '-')
      return false;
  }
  return false;
}

const Command* FindCommand(const std::string& name) {
  for (const auto& c : Commands())
    if (c.name == name) return &c;
  return nullptr;
}

// The program's services, the demo adapter when asked for, the dialogs, and the window
// model started as the command prepares it. False (reported) when any of it fails.
bool StartSession(Session& s, const Command& cmd) {
  std::string error;
  if (!OpenProgramServices(s.services, error)) return s.Fail(1, error) == 0;
  if (const std::string& notSaved = s.services.settingsNotSaved; !notSaved.empty()) {
    if (cmd.savesSettings && cmd.savesSettings(s.args)) return s.Fail(1, notSaved) == 0;
    *s.err << "brevantix-cli: warning: the settings are not saved: " << Shown(notSaved) << "\n";
  }
  if (!s.options.trace.empty()) {
    s.trace = OpenWireTrace(s.options.trace, s.options.traceKeys, s.commandLine, error);
    if (!s.trace) return s.Fail(1, "--trace " + s.options.trace + ": " + error) == 0;
  }
  if (s.options.demo) {
    s.demo = std::make_unique<DemoAdapter>();
    if (!s.demo->Start(error)) return s.Fail(1, "the simulated adapter did not start: " + error) == 0;
    s.chosenPort = s.demo->Port();
  } else if (!s.options.ports.empty()) {
    s.chosenPort = s.options.ports.front();
  }
  s.dialogs =
      std::make_unique<TerminalDialogs>(*s.out, *s.err, s.options.answer, [&s](const std::string& text, int flags) {
        ++s.messageCount;
        if ((flags & mb::IconMask) == mb::IconError) s.lastMessage = text;
      });
  s.clipboard = std::make_unique<SessionClipboard>();
  // Without a window program the file type would open this one, which answers "unknown
  // command"; and with no view there is no window position to store.
  const std::string window = WindowProgramPath();
  s.registration = {window.empty() ? ProgramPath() : window, !window.empty(), s.services.desktop.get()};
  if (cmd.prepare) cmd.prepare(s);
  return s.Start();
}

// Everything after the command name: its arguments, and --help anywhere.
void TakeCommandArguments(int i, int argc, char** argv, Session& s) {
  for (; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h")
      s.options.help = true;
    else
      s.args.push_back(a);
  }
}

// Runs the command with its window started and the first termination signal turned
// into a wind-down; returns the exit code.
int RunCommand(Session& s, const Command& cmd) {
  // The first signal winds a long command down; anything else ends at once, as before.
  TerminationWatch watch([&s, windsDown = cmd.windsDown](int sig) {
    int none = 0;
    if (!windsDown || !s.signal.compare_exchange_strong(none, sig)) EndBySignal(sig);
    s.loop.Post([] {});
  });
  int rc = 1;
  if (StartSession(s, cmd) && s.Signal() == 0) rc = cmd.run(s);
  if (const int sig = s.Signal(); sig != 0 && !s.signalEnds) {
    *s.err << "brevantix-cli: canceled by " << TerminationSignalName(sig) << "\n";
    if (s.json) s.json->Error(std::string("canceled by ") + TerminationSignalName(sig));
    rc = TerminationExitCode(sig);
  }
  s.Finish();
  if (s.trace) {
    s.trace->Note("the run ends with exit code " + std::to_string(rc));
    s.trace->Flush(2000);
    if (const std::string why = s.trace->WriteError(); !why.empty())
      *s.err << "brevantix-cli: warning: the trace " << Shown(s.options.trace) << " is incomplete: " << Shown(why)
             << "\n";
  }
  return rc;
}

// One run without its output's final form: `out` is standard output, or with --json the
// capture, and `json` the document then.
int Run(int argc, char** argv, std::ostream& out, std::ostream& err, JsonDocument* json) {
  Session s;
  for (int k = 0; k < argc; ++k) s.commandLine += (k ? " " : "") + std::string(argv[k]);
  s.out = &out;
  s.err = &err;
  s.json = json;
  int i = ParseGlobalOptions(argc, argv, s);
  if (i <= 0) return i < 0 ? 2 : 0;
  if (i >= argc) {
    if (s.options.help) {
      PrintUsage(out);
      return 0;
    }
    return s.Fail(2, "no command given (see brevantix-cli --help)");
  }
  const std::string name = argv[i++];
  const Command* cmd = FindCommand(name);
  if (!cmd) return s.Fail(2, "unknown command " + name + " (see brevantix-cli --help)");
  TakeCommandArguments(i, argc, argv, s);
  if (s.options.help) {
    PrintCommandHelp(out, *cmd);
    return 0;
  }
  // One adapter port, and where it comes from, is one choice: a second one is refused,
  // not silently ignored.
  if (s.options.traceKeys && s.options.trace.empty()) return s.Fail(2, "--trace-keys needs --trace FILE");
  if (s.options.demo && !s.options.ports.empty())
    return s.Fail(2, "--demo and --port " + s.options.ports.front() + " cannot be given together");
  if (s.options.ports.size() > 1 && cmd->name != "flash")
    return s.Fail(2, "--port " + s.options.ports[1] + ": only flash takes more than one port");
  if (s.options.demo && !DemoAdapter::Available()) return s.Fail(2, kDemoUnavailable);
  const int rc = RunCommand(s, *cmd);
  if (json && rc != 0)
    json->Error(s.lastMessage.empty() ? "failed (exit code " + std::to_string(rc) + ")" : s.lastMessage);
  return rc;
}

}  // namespace

int Main(int argc, char** argv, std::ostream& out, std::ostream& err) {
  // Before any thread starts: the threads inherit the block, and the watch alone sees
  // the signals.
  BlockTerminationSignals();
  if (!WantsJson(argc, argv)) return Run(argc, argv, out, err, nullptr);
  // With --json standard output holds the document and nothing else, whatever happens.
  JsonDocument doc;
  LineCapture capture(err);
  std::ostream text(&capture);
  int rc = 1;
  try {
    rc = Run(argc, argv, text, err, &doc);
  } catch (const std::exception& e) {
    err << "brevantix-cli: " << Shown(e.what()) << "\n";
    doc.Error(e.what());
  }
  text.flush();
  if (const std::vector<std::string> lines = capture.Lines(); !lines.empty()) doc.doc["text"] = LinesJson(lines);
  doc.Print(out);
  out.flush();
  return rc;
}

}  // namespace bx::cli

int main(int argc, char** argv) {
  // Before anything is opened: a closed standard output must not be taken over by a file.
  const bool closed = bx::GuardStandardStreams();
  bx::cli::StandardOutputBuffer buffer(closed, bx::StandardOutputIsTerminal());
  std::ostream out(&buffer);
  const int rc = bx::cli::Main(argc, argv, out, std::cerr);
  return bx::cli::FinishStandardOutput(buffer, std::cerr, rc);
}
