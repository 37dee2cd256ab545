#pragma once
// What the adapter reports beyond its identity, read from the reply text alone: the
// hardware options of its "SI:" line and the verdict of its self-test log.
#include <string>
#include <vector>

namespace bx {

// The hardware options: "SI:" pairs of a letter and a digit. W wireless (0 disabled,
// 1 Bluetooth, 2 Wi-Fi), B the Bluetooth module, N the WiFi bridge's firmware, D the
// mass-storage device (0 off), L which firmware the WiFi bridge runs (-1: not said).
struct SystemOptions {
  int wireless = 0, bluetooth = 0, wifi = 0;
  bool msd = false;
  int link = -1;
  bool operator==(const SystemOptions&) const = default;
};

// The options a payload sets, over `from`: a pair whose digit is out of range (0-2; D
// any digit, 0 off) leaves that option as it was.
SystemOptions ReadSystemOptions(const std::string& payload, SystemOptions from = {});
// The command suffix that sets them all: "SD1W2B1N1".
std::string SystemSaveSuffix(const SystemOptions& options);

// A self-test's log as the Test page shows it: one line per CR LF line of the reply, a
// line rewritten after a bare CR (a counter that counts in place) showing its last text.
std::vector<std::string> TestLogLines(const std::string& reply);

// The self-test's verdict: the words "ERROR" and "WARNING" counted without overlap over
// the whole log; an empty log counts -1 for both, which judges as "Error/Warning": a test
// that reported nothing has not passed.
struct TestCounts {
  int errors = -1, warnings = -1;
  std::string text;  // "OK (No Errors)", "Error", "Warning" or "Error/Warning"
  bool Passed() const { return errors == 0 && warnings == 0; }
};
TestCounts CountTestLog(const std::string& log);

}  // namespace bx
