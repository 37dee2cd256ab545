// brevantix-cli selftest: the Test page's "Run", with the log and the verdict printed.
#include <ostream>

#include "window/Modules.h"
#include "cli/Cli.h"
#include "exchange/Exchange.h"

namespace bx::cli {
namespace {

constexpr int64_t kExchangeLimitMs = 300000;  // a long test log keeps the exchange alive
constexpr const char* kPassed = "RESULT : OK (No Errors)";

bool RunExchange(Session& s) {
  Exchange& ex = *s.form->Modules->exchange;
  return s.RunUntil([&] { return !ex.Running(); }, kExchangeLimitMs);
}

int RunSelfTest(Session& s) {
  if (!s.ChoosePort()) return 2;
  TfrmMain& f = *s.form;
  // The Test tab is offered only for an adapter that has been identified.
  f.btSearch.Click();
  if (!RunExchange(s) || !f.Modules->exchange->Answered()) return 1;
  if (!f.btRunTest.Usable()) {
    *s.err << "brevantix-cli: this adapter offers no self-test\n";
    return 1;
  }
  std::string params;
  for (const auto& a : s.args) params += a;
  if (!params.empty()) {
    f.edTest_Params.SetVisible(true);
    f.edTest_Params.SetText(params);
  }
  f.btRunTest.Click();
  if (!RunExchange(s)) {
    *s.err << "brevantix-cli: the self-test did not end\n";
    return 1;
  }
  const auto lines = f.memLogTest.Lines();
  for (const auto& line : lines) *s.out << line << "\n";
  if (f.edTest_Result.Text().empty()) return 1;  // no verdict: the adapter did not answer
  *s.out << "Errors/Warnings: " << f.edTest_Result.Text() << "\n";
  return !lines.empty() && lines.back() == kPassed ? 0 : 1;
}

Registrar selftest({"selftest",
                    "[PARAMS]",
                    "search, run the adapter's self-test and print its log and verdict",
                    "PARAMS are appended to the test command as the hidden parameter field would.\n"
                    "Exit code 0 for \"OK (No Errors)\", 1 for any other verdict or no answer, 2 for usage errors.",
                    RunSelfTest,
                    {}});

}  // namespace
}  // namespace bx::cli
