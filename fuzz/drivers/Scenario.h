#pragma once
// The simulator's scenario text: any text loads or fails with a message naming its line,
// and the escapes of raw byte values read only what they say.
#include <string_view>

#include "Check.h"
#include "Input.h"
#include "sim/AdapterModel.h"
#include "sim/Scenario.h"

namespace bx::fuzz {

inline void CheckUnescape(std::string_view s) {
  const Bytes out = sim::Unescape(s);
  Check(out.size() <= s.size(), "an escape never makes more bytes than it has");
  if (s.find('\\') == std::string_view::npos) Check(out == s, "a text without backslash stays as it is");
}

inline void DriveScenario(std::string_view input) {
  sim::Scenario scenario;
  sim::ScenarioLoader loader(scenario);
  std::string error;
  const bool ok = loader.ParseText(input, error);
  Check(ok == error.empty(), "a failure says why, a success says nothing");
  Check(ok || StartsWith(error, "line "), "a failure names its line");
  CheckUnescape(input);
  // What loaded builds the adapter's replies.
  const sim::AdapterModel model(scenario);
  (void)model.IdentityLines();
  (void)model.ScanLines();
  (void)model.WifiLine();
}

}  // namespace bx::fuzz
