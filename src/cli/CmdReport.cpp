// brevantix-cli report: the support report the window saves with Ctrl+Shift+S, as a zip
// archive at the path given.
#include <ostream>

#include "cli/AdapterSteps.h"
#include "cli/Cli.h"
#include "cli/JsonDocument.h"
#include "cli/NetworkSteps.h"
#include "cli/PassThruSteps.h"
#include "links/PortProperties.h"
#include "report/SupportReport.h"
#include "session/ReplyLines.h"

namespace bx::cli {
namespace {

// The parts of the report as this run has them: the port list with each port's
// properties, the settings, the pass-thru devices, the trace, and the panes a window would
// show at this point: the search's reply in memLog (or why it failed), the stored network
// devices in memLog_Network.
ReportParts Parts(Session& s, const std::vector<std::string>& searchLog) {
  ReportParts p;
  p.version = s.version;
  p.programPath = s.registration.programPath;
  const PortLists rows = s.Ports();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    PropertyRows properties;
    for (const auto& prop : PortProperties(rows.Details[i])) properties.emplace_back(prop.label, prop.value);
    p.ports.push_back({rows.Names[i], rows.Descriptions[i], rows.Details[i], std::move(properties)});
  }
  p.registry = s.services.registry.get();
  PassThruSteps passThru(s, nullptr);
  p.passThruDevices = passThru.directory.List(&p.skippedManifests);
  p.trace = s.trace.get();
  NetworkSteps network(s);
  for (const std::string& name : kReportLogs) {
    std::vector<std::string> lines;
    if (name == "memLog") lines = searchLog;
    if (name == "memLog_Network") lines = network.controls.memLog_Network.Lines();
    if (name == "memJ2534") lines = passThru.Log();
    p.logs.emplace_back(name, std::move(lines));
  }
  return p;
}

int RunReport(Session& s) {
  if (!s.TakesOnly("report", {}, 1)) return 2;
  if (s.args.empty()) return s.Fail(2, "report needs the FILE.zip to write (see brevantix-cli report --help)");
  const std::string path = s.args.front();
  // With a port chosen the report holds the adapter's answer too (the log, the trace); an
  // adapter that does not answer is told in the log, and the report is written anyway.
  bool searched = false;
  std::vector<std::string> searchLog;
  if (!s.chosenPort.empty()) {
    if (!s.ChoosePort()) return 2;
    const std::unique_ptr<AdapterDevice> d = ChosenDevice(s);
    searched = Search(s, *d);
    if (d->Answered()) searchLog = LogLines(d->Reply() + "\r\n");
    if (!searched && d->Session().LastResult()) searchLog.push_back(d->Session().LastResult()->cause);
  }
  std::string why;
  std::vector<std::string> names;
  if (!WriteSupportReport(Parts(s, searchLog), path, why, &names))
    return s.Fail(1, "report: cannot write " + path + ": " + why);
  if (s.json) {
    s.json->doc["path"] = path;
    s.json->doc["members"] = names;
  }
  *s.out << "The support report was written to " << Shown(path) << "\n";
  if (!s.chosenPort.empty() && !searched && s.Signal() == 0)
    *s.err << "brevantix-cli: report: the adapter on " << Shown(s.chosenPort)
           << " did not answer; see logs/memLog.txt\n";
  return 0;
}

Registrar report({"report",
                  "FILE.zip",
                  "write a support report: version, ports, settings, pass-thru devices, trace and logs",
                  "Writes one zip archive: version.txt (the version record), ports.txt (the port list\n"
                  "with each port's properties), registry.reg (the settings store as a REGEDIT4 export),\n"
                  "passthru.txt (the registered pass-thru devices), trace.txt (this run's wire trace,\n"
                  "with --trace) and logs/*.txt (the pages' log panes). With --port or --demo the\n"
                  "adapter is searched first, so that its answer is in the log and the trace. The WiFi\n"
                  "keys are masked in every member. The window saves the same with Ctrl+Shift+S.\n"
                  "Exit code 0 when written, 1 when not, 2 for usage errors.",
                  RunReport,
                  {},
                  true});

}  // namespace
}  // namespace bx::cli
