#include "cli/Cli.h"

#include <filesystem>
#include <iostream>

#include "cli/TerminalDialogs.h"
#include "exchange/PortList.h"
#include "window/Modules.h"

namespace bx::cli {

std::vector<Command>& Commands() {
  static std::vector<Command> commands;
  return commands;
}

namespace {

const char* kGlobalHelp =
    "Global options:\n"
    "  --port NAME   offer the device NAME (for example /dev/ttyUSB0 or a pseudo-terminal)\n"
    "                as a port and choose it; may be given more than once\n"
    "  --demo        start the built-in simulated adapter and use its port\n"
    "  --yes, --no   the answer to questions the program asks\n"
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
  for (const fs::path& p : {self.parent_path() / "brevantix-configurator",
                            self.parent_path().parent_path() / "view" / "qt" / "brevantix-configurator"})
    if (fs::exists(p, ec)) return fs::weakly_canonical(p, ec).string();
  return {};
}

}  // namespace

bool Session::Start(AppContext& context) {
  ui::EventLoop::SetCurrent(&loop);
  // The standard exception display: the application title and the message, as an error.
  ui::SetExceptionDisplay([this](const std::string& message) {
    std::string text = message;
    if (text.empty() || (text.back() != '.' && text.back() != '!' && text.back() != '?')) text += '.';
    if (dialogs) dialogs->MessageBox(form ? form->ApplicationTitle() : "Configurator", text, mb::IconError);
  });
  const std::string preferred = chosenPort;
  try {
    form = std::make_unique<TfrmMain>(std::move(context));
  } catch (const std::exception& e) {
    ui::ShowException(e.what());
    return false;
  } catch (...) {
    // Any other kind is shown as the handlers show it: with an empty message.
    ui::ShowException("");
    return false;
  }
  if (!preferred.empty()) PreferPort(*form, preferred);
  form->FormShow();
  return true;
}

bool Session::ChoosePort(int64_t timeoutMs) {
  if (chosenPort.empty()) {
    if (form->cbCOM.ItemIndex() >= 0) return true;
    *err << "brevantix-cli: no port chosen: give --port NAME or --demo (see the ports command)\n";
    return false;
  }
  auto selected = [this] { return form->Modules->ports->SelectedPortName() == chosenPort; };
  if (RunUntil(selected, timeoutMs)) {
    form->cbCOM.UserSelect(form->cbCOM.ItemIndex());
    return true;
  }
  *err << "brevantix-cli: the port " << chosenPort << " is not listed\n";
  return false;
}

bool Session::RunUntil(const std::function<bool()>& pred, int64_t timeoutMs) { return loop.Run(pred, timeoutMs); }

bool Session::Finish() {
  if (!form) return true;
  bool closed = false;
  ui::Invoke([&] { closed = form->Close(); });
  // A CLI run always ends; unsaved page edits are the user's answer.
  if (!form->Closed()) ui::Invoke([&] { form->FormClose(); });
  form.reset();
  ui::SetExceptionDisplay({});
  ui::EventLoop::SetCurrent(nullptr);
  return closed;
}

namespace {

// The global options before the command name; returns the index of the command name, or
// -1 after an unknown option (reported).
int ParseGlobalOptions(int argc, char** argv, Options& o, std::ostream& err) {
  int i = 1;
  for (; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--port" && i + 1 < argc)
      o.ports.push_back(argv[++i]);
    else if (a == "--demo")
      o.demo = true;
    else if (a == "--yes")
      o.answer = mb::IdYes;
    else if (a == "--no")
      o.answer = mb::IdNo;
    else if (a == "--help" || a == "-h")
      o.help = true;
    else if (!a.empty() && a[0] == '-') {
      err << "brevantix-cli: unknown option " << a << "\n";
      PrintUsage(err);
      return -1;
    } else
      break;
  }
  return i;
}

const Command* FindCommand(const std::string& name) {
  for (const auto& c : Commands())
    if (c.name == name) return &c;
  return nullptr;
}

// The program's services, the demo adapter when asked for, the dialogs, and the window
// model started as the command prepares it. False (reported) when any of it fails.
bool StartSession(Session& s, const Command& cmd) {
  std::ostream& err = *s.err;
  std::string error;
  if (!OpenProgramServices(s.services, error)) {
    err << "brevantix-cli: " << error << "\n";
    return false;
  }
  if (s.options.demo) {
    s.demo = std::make_unique<DemoAdapter>();
    if (!s.demo->Start(error)) {
      err << "brevantix-cli: the simulated adapter did not start: " << error << "\n";
      return false;
    }
    s.chosenPort = s.demo->Port();
  } else if (!s.options.ports.empty()) {
    s.chosenPort = s.options.ports.front();
  }
  s.dialogs = std::make_unique<TerminalDialogs>(*s.out, err, s.options.answer, &s.messageCount);
  s.clipboard = std::make_unique<SessionClipboard>();
  AppContext context = MakeProgramContext(s.services, *s.dialogs, *s.clipboard, {});
  // Without a window program the file type would open this one, which answers "unknown
  // command"; and with no view there is no window position to store.
  const std::string window = WindowProgramPath();
  context.registerProgram = !window.empty();
  context.programPath = window.empty() ? ProgramPath() : window;
  context.hasView = false;
  for (const auto& p : s.options.ports) context.virtualPorts.emplace_back(p, "Port given on the command line");
  if (s.demo) s.demo->Offer(context);
  if (cmd.prepare) cmd.prepare(s, context);
  return s.Start(context);
}

}  // namespace

int Main(int argc, char** argv, std::ostream& out, std::ostream& err) {
  Session s;
  s.out = &out;
  s.err = &err;
  int i = ParseGlobalOptions(argc, argv, s.options, err);
  if (i < 0) return 2;
  if (i >= argc) {
    PrintUsage(s.options.help ? out : err);
    return s.options.help ? 0 : 2;
  }
  const std::string name = argv[i++];
  const Command* cmd = FindCommand(name);
  if (!cmd) {
    err << "brevantix-cli: unknown command " << name << "\n";
    PrintUsage(err);
    return 2;
  }
  for (; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h")
      s.options.help = true;
    else
      s.args.push_back(a);
  }
  if (s.options.help) {
    PrintCommandHelp(out, *cmd);
    return 0;
  }
  if (!StartSession(s, *cmd)) return 1;
  const int rc = cmd->run(s);
  s.Finish();
  return rc;
}

}  // namespace bx::cli

int main(int argc, char** argv) { return bx::cli::Main(argc, argv, std::cout, std::cerr); }
