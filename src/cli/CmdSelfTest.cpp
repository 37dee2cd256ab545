// brevantix-cli selftest: the Test page's "Run", with the log and the verdict printed.
#include <ostream>

#include "cli/AdapterSteps.h"
#include "cli/Cli.h"

namespace bx::cli {
namespace {

int RunSelfTest(Session& s) {
  // PARAMS is one argument, whatever it begins with.
  if (s.args.size() > 1) return s.Unexpected("selftest", s.args[1]);
  std::string params;
  for (const auto& a : s.args) params += a;
  if (HasControl(params)) return s.Fail(2, "selftest: PARAMS must not hold control characters (" + params + ")");
  if (!s.ChoosePort()) return 2;
  const auto d = ChosenDevice(s);
  // The Test tab is offered only for an adapter that has been identified, with a
  // bootloader.
  if (!Search(s, *d)) return 1;
  if (!d->Session().Identity().bootloader) return s.Fail(1, "this adapter offers no self-test");
  // An adapter that fell silent leaves the log it had begun, and no verdict.
  if (!RunDevice(s, *d, d->SelfTest(params)) && (s.Signal() != 0 || d->Failure() != DeviceFailure::NotFound)) return 1;
  const std::vector<std::string>& lines = d->TestLog();
  const std::optional<TestCounts>& verdict = d->TestVerdict();
  const std::string result = verdict ? Format("%d/%d", verdict->errors, verdict->warnings) : std::string();
  const bool passed = verdict && verdict->Passed();
  if (s.json) {
    s.json->doc["log"] = LinesJson(lines);
    s.json->doc["result"] = result;
    s.json->doc["passed"] = passed;
  } else {
    for (const auto& line : lines) *s.out << ShownLine(line) << "\n";
  }
  if (!verdict) return 1;  // no verdict: the adapter did not answer
  if (!s.json) *s.out << "Errors/Warnings: " << Shown(result) << "\n";
  return passed ? 0 : 1;
}

Registrar selftest({"selftest",
                    "[PARAMS]",
                    "search, run the adapter's self-test and print its log and verdict",
                    "PARAMS are appended to the test command as the hidden parameter field would.\n"
                    "Exit code 0 for \"OK (No Errors)\", 1 for any other verdict or no answer, 2 for usage errors.",
                    RunSelfTest,
                    {},
                    true});

}  // namespace
}  // namespace bx::cli
