// brevantix-cli selftest: the Test page's "Run", with the log and the verdict printed.
#include <ostream>

#include "cli/AdapterSteps.h"
#include "cli/Cli.h"
#include "exchange/Exchange.h"
#include "selftest/SelfTest.h"
#include "window/Modules.h"

namespace bx::cli {
namespace {

constexpr const char* kPassed = "RESULT : OK (No Errors)";

int RunSelfTest(Session& s) {
  // PARAMS is one argument, whatever it begins with.
  if (s.args.size() > 1) return s.Unexpected("selftest", s.args[1]);
  std::string params;
  for (const auto& a : s.args) params += a;
  if (HasControl(params)) return s.Fail(2, "selftest: PARAMS must not hold control characters (" + params + ")");
  if (!s.ChoosePort()) return 2;
  TfrmMain& f = *s.form;
  // The Test tab is offered only for an adapter that has been identified.
  if (!Search(s)) return 1;
  if (!f.btRunTest.Usable()) return s.Fail(1, "this adapter offers no self-test");
  if (!params.empty()) {
    f.edTest_Params.SetVisible(true);
    f.edTest_Params.SetText(params);
  }
  f.btRunTest.Click();
  if (!RunExchange(s)) return s.Signal() ? 1 : s.Fail(1, "the self-test did not end");
  const auto lines = f.memLogTest.Lines();
  const std::optional<TestVerdict>& verdict = f.Modules->selftest->LastVerdict();
  const std::string result = verdict ? Format("%d/%d", verdict->errors, verdict->warnings) : std::string();
  const bool passed = !lines.empty() && lines.back() == kPassed;
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
