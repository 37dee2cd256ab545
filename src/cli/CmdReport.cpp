// brevantix-cli report: the support report the window saves with Ctrl+Shift+S, as a zip
// archive at the path given.
#include <ostream>

#include "cli/AdapterSteps.h"
#include "cli/Cli.h"
#include "cli/HeadlessWindow.h"
#include "cli/JsonDocument.h"
#include "window/SupportReport.h"

namespace bx::cli {
namespace {

int RunReport(Session& s) {
  if (!s.TakesOnly("report", {}, 1)) return 2;
  if (s.args.empty()) return s.Fail(2, "report needs the FILE.zip to write (see brevantix-cli report --help)");
  const std::string path = s.args.front();
  // With a port chosen the report holds the adapter's answer too (the log, the trace); an
  // adapter that does not answer is told in the log, and the report is written anyway.
  bool searched = false;
  if (!s.chosenPort.empty()) {
    if (!s.ChoosePort()) return 2;
    searched = WindowSearch(s, kExchangeLimitMs, false);
  }
  std::string why;
  std::vector<std::string> names;
  if (!WriteSupportReport(Form(s), path, why, &names)) return s.Fail(1, "report: cannot write " + path + ": " + why);
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
                  true,
                  nullptr,
                  true});

}  // namespace
}  // namespace bx::cli
