#include "session/DeviceRecords.h"

#include <cstdio>

#include "session/ReplyLines.h"

namespace bx {

namespace {
int Choice(char c) { return c >= '0' && c <= '2' ? c - '0' : -1; }

int CountWord(const std::string& text, const std::string& word) {
  int n = 0;
  for (std::size_t p = text.find(word); p != std::string::npos; p = text.find(word, p + word.size())) ++n;
  return n;
}
}  // namespace

SystemOptions ReadSystemOptions(const std::string& payload, SystemOptions o) {
  for (std::size_t i = 0; i + 1 < payload.size(); i += 2) {
    const char value = payload[i + 1];
    const int choice = Choice(value);
    switch (payload[i]) {
      case 'B':
        if (choice >= 0) o.bluetooth = choice;
        break;
      case 'W':
        if (choice >= 0) o.wireless = choice;
        break;
      case 'N':
        if (choice >= 0) o.wifi = choice;
        break;
      case 'D':
        o.msd = value != '0';
        break;
      case 'L':
        o.link = choice;
        break;
      default:
        break;
    }
  }
  return o;
}

std::string SystemSaveSuffix(const SystemOptions& o) {
  char text[32];
  std::snprintf(text, sizeof text, "SD%dW%dB%dN%d", o.msd ? 1 : 0, o.wireless, o.bluetooth, o.wifi);
  return text;
}

std::vector<std::string> TestLogLines(const std::string& reply) {
  std::vector<std::string> out;
  for (const std::string& line : CrLfLines(reply)) {
    // The pieces between bare CRs: each one that says something takes the line's place.
    std::string shown;
    std::size_t from = 0;
    while (from <= line.size()) {
      const std::size_t cr = line.find('\r', from);
      const std::size_t end = cr == std::string::npos ? line.size() : cr;
      if (end > from) shown = line.substr(from, end - from);
      if (cr == std::string::npos) break;
      from = cr + 1;
    }
    out.push_back(shown);
  }
  return out;
}

TestCounts CountTestLog(const std::string& log) {
  TestCounts v;
  if (log.find_first_not_of("\r\n") != std::string::npos) {
    v.errors = CountWord(log, "ERROR");
    v.warnings = CountWord(log, "WARNING");
  }
  if (v.errors == 0 && v.warnings == 0)
    v.text = "OK (No Errors)";
  else if (v.warnings == 0)
    v.text = "Error";
  else if (v.errors != 0)
    v.text = "Error/Warning";
  else
    v.text = "Warning";
  return v;
}

}  // namespace bx
