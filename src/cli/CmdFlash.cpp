// brevantix-cli flash and reset: the Update page's operations. flash uploads to one
// adapter, or to several at once: one port discovery for the run, then one session with
// a link of its own per adapter, all on the same event loop, each upload the Update
// page's.
#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string_view>

#include "cli/AdapterSteps.h"
#include "cli/Cli.h"
#include "cli/FlashJob.h"
#include "cli/FlashReport.h"
#include "cli/FlashStation.h"
#include "cli/JsonDocument.h"
#include "cli/TerminalDialogs.h"
#include "core/Protocol.h"
#include "links/LinkTable.h"
#include "platform/Terminal.h"

namespace bx::cli {
namespace {

constexpr int64_t kResetLimitMs = 120000;
// After a termination signal the uploads are stopped; this bounds the wait for them.
constexpr int64_t kSignalGraceMs = 3000;

void PrepareFlash(Session& s) {
  FlashArgs a;
  std::string error;
  // The station's --port values are patterns, matched as ports appear: not ports. A
  // usage error is reported by run.
  if (ParseFlashArgs(s.args, a, error)) s.portsArePatterns = a.watch;
}

// The ports to flash: every --port, or with --all every listed serial port.
std::vector<std::string> Targets(Session& s, const FlashArgs& a) {
  if (!a.all) return s.options.ports.size() > 1 ? s.options.ports : std::vector<std::string>{s.chosenPort};
  std::vector<std::string> serial;
  const std::string prefix = s.links ? s.serialPrefix : kSerialPrefix;
  for (const std::string& name : s.Ports().Names)
    if (name.rfind(prefix, 0) == 0) serial.push_back(name);
  return serial;
}

// Steps every job after each dispatch until all have ended; on a termination signal
// presses Stop on every one and waits a little for the uploads to end.
void RunJobs(Session& s, const std::vector<FlashJob*>& jobs, FlashReport& report) {
  auto step = [&] {
    const int64_t now = s.loop.NowMs();
    bool done = true;
    for (FlashJob* j : jobs) done = j->Step(now) && done;
    report.Tick(now);
    return done;
  };
  if (s.RunUntil(step, -1) || s.Signal() == 0) return;
  // One hint per adapter left in its bootloader, the command line's own; none for the
  // demo adapter, which goes with this process.
  for (FlashJob* j : jobs) {
    const bool uploading = j->State() == FlashJob::Phase::Upload;
    j->Stop(s.loop.NowMs());
    if (uploading && !s.options.demo)
      *s.err << "brevantix-cli: " << Shown(j->Port()) << ": the adapter may still be in its bootloader; "
             << "brevantix-cli --port " << Shown(j->Port()) << " reset restarts it\n";
  }
  s.RunUntilIgnoringSignal(step, kSignalGraceMs);
}

void JsonResults(Session& s, const std::vector<FlashJob*>& jobs) {
  Json list = Json::array();
  for (const FlashJob* j : jobs) {
    if (j->Skipped()) continue;
    list.push_back({{"port", j->Port()},
                    {"serial", j->Serial()},
                    {"ok", j->Ok()},
                    {"result", j->Result()},
                    {"log", LinesJson(j->Log())}});
  }
  s.json->doc["adapters"] = list;
}

// Two uploads through one port would write into each other's bootloader session: the
// second window's search or connect request lands in the first one's upload. The same
// device under two names (a /dev/serial/by-id link and its tty) is the same port.
bool SameDevice(const std::string& a, const std::string& b) {
  std::error_code ea, eb;
  const std::filesystem::path ca = std::filesystem::canonical(a, ea), cb = std::filesystem::canonical(b, eb);
  return !ea && !eb && ca == cb;
}

std::string RepeatedPort(const std::vector<std::string>& ports) {
  for (std::size_t i = 0; i < ports.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      if (ports[i] == ports[j]) return "the port " + ports[i] + " is given twice";
      if (SameDevice(ports[j], ports[i])) return "the ports " + ports[j] + " and " + ports[i] + " are the same device";
    }
  }
  return {};
}

int RunFlash(Session& s) {
  FlashArgs a;
  std::string error;
  if (!ParseFlashArgs(s.args, a, error)) return s.Fail(2, error);
  if (a.watch) return RunStation(s, a);
  if (const std::string repeated = RepeatedPort(s.options.ports); !repeated.empty()) return s.Fail(2, repeated);
  const bool batch = a.all || s.options.ports.size() > 1;
  if (!batch && !s.ChoosePort()) return 2;
  const std::vector<std::string> ports = batch ? Targets(s, a) : std::vector<std::string>{s.port};
  if (ports.empty()) return s.Fail(1, "no serial port is listed");
  // The report is made for the jobs; their lines reach it once it is there (a job writes
  // none before its first step).
  std::unique_ptr<FlashReport> report;
  std::vector<std::unique_ptr<TerminalDialogs>> dialogs;
  std::vector<std::unique_ptr<FlashJob>> owned;
  std::vector<FlashJob*> jobs;
  for (std::size_t i = 0; i < ports.size(); ++i) {
    TerminalDialogs* d = s.dialogs.get();
    if (batch) {
      dialogs.push_back(std::make_unique<TerminalDialogs>(*s.out, *s.err, s.options.answer, nullptr, ports[i] + ": "));
      d = dialogs.back().get();
    }
    FlashJob::Services services;
    const bool first = i == 0;
    services.message = [&s, d, first](const std::string& caption, const std::string& text, int flags) {
      if (first && (flags & mb::IconMask) == mb::IconError) s.lastMessage = text;
      return d->MessageBox(ApplicationTitle(s.version) + " - " + caption, text, flags);
    };
    // The recent ports, as the window's search records them.
    services.identified = [&s](const std::string& port, const std::string& serial) {
      s.settings->RememberPort(port + " " + serial);
    };
    services.line = [&report](FlashJob& job, const std::string& line, bool note) {
      if (report) report->Line(job, line, note);
    };
    std::unique_ptr<Link> link = s.links ? s.links->NewLinkFor(ports[i]) : nullptr;
    owned.push_back(std::make_unique<FlashJob>(std::move(link), ports[i], s.PortShown(ports[i]), s.productName, a,
                                               a.all, std::move(services)));
    jobs.push_back(owned.back().get());
  }
  const bool terminal = StandardOutputIsTerminal();
  report = s.json  ? MakeSilentReport()
           : batch ? MakeBatchReport(jobs, *s.out, *s.err, terminal)
                   : MakeSingleReport(*jobs[0], *s.out, *s.err, terminal, a.verbose);
  RunJobs(s, jobs, *report);
  report->End();
  if (s.json) JsonResults(s, jobs);
  int flashed = 0, failed = 0;
  for (const FlashJob* j : jobs) {
    if (j->Skipped()) continue;
    ++(j->Ok() ? flashed : failed);
  }
  if (failed == 0 && flashed > 0) return 0;
  if (flashed == 0 && a.all) return s.Fail(1, "no adapter answered on any serial port");
  if (s.json && !batch) s.json->Error(jobs[0]->Result());
  return 1;
}

int RunReset(Session& s) {
  if (!s.args.empty()) return s.Fail(2, "reset takes no arguments");
  if (!s.ChoosePort()) return 2;
  const auto d = ChosenDevice(s);
  if (!RunDevice(s, *d, d->Reset(), kResetLimitMs)) return 1;  // the port did not open (the message says so)
  const std::string sent = std::string(proto::kCommandPrefix) + "R";
  if (s.json)
    s.json->doc["sent"] = sent;
  else
    *s.out << "Sent " << Shown(sent) << "\n";
  return 0;
}

Registrar flash({"flash",
                 "FILE [--no-search] [--no-wait] [--all] [--verbose] [--timeout S] [--watch [--only-new] [--again] "
                 "[--report FILE]]",
                 "upload the firmware image FILE (.rfw) to the adapter, as the Update page does",
                 "Searches for the adapter first, then asks it to enter its bootloader and uploads\n"
                 "the file page by page, printing every line of the update log as it comes (and a\n"
                 "progress bar on a terminal).\n"
                 "With several --port, uploads to all of them at the same time, each as the Update\n"
                 "page would: on a terminal one progress line per adapter, otherwise the log lines\n"
                 "with their port before them; at the end one line per adapter: port, serial number,\n"
                 "Ok or Failed with the reason.\n"
                 "  --all         every listed serial port that answers the search\n"
                 "  --verbose     on a terminal too, every line of the update log (not only the\n"
                 "                progress line and the result)\n"
                 "  --no-search   tick \"Do not Search\": the adapter is already in its bootloader\n"
                 "  --no-wait     untick \"Wait\": connect at once instead of waiting for the\n"
                 "                bootloader's prompt\n"
                 "  --timeout S   press Stop after S seconds in which no page was acknowledged for\n"
                 "                the first time (default 30); seconds the CLI ran, so a stop of\n"
                 "                the process (SIGSTOP, Ctrl+Z) does not count\n"
                 "  --watch       a flashing station: waits for adapters to be plugged in and\n"
                 "                flashes each one once, several at the same time; every --port\n"
                 "                is then a pattern over device paths (/dev/serial/by-id/usb-*),\n"
                 "                without --port every serial port of the port list is watched.\n"
                 "                Per adapter a line when found and a result line (port, serial,\n"
                 "                firmware before -> after, result, seconds); SIGINT or SIGTERM\n"
                 "                stops it with a summary, exit code 0 when no adapter failed\n"
                 "  --only-new    with --watch: leave the ports present at the start alone\n"
                 "  --again       with --watch: flash an adapter again that was flashed in this\n"
                 "                run (else it is skipped when it comes back)\n"
                 "  --report FILE with --watch: append one JSON line per adapter as it ends\n"
                 "Exit code 0 after \"Updating firmware : Ok\" or \"System Updating : Ok\" from every\n"
                 "adapter, 1 otherwise (the others still finish), 2 for usage errors. SIGINT or\n"
                 "SIGTERM presses Stop (the adapter stays in its bootloader: reset restarts it) and\n"
                 "exits 130 or 143; a second one ends at once.",
                 RunFlash, PrepareFlash, true});
Registrar reset({"reset",
                 "",
                 "send the adapter its reset command (\"Reset\" on the Update page)",
                 "The command is not answered: exit code 0 once it has been sent, 1 when the port\n"
                 "would not open, 2 for usage errors.",
                 RunReset,
                 {}});

}  // namespace
}  // namespace bx::cli
