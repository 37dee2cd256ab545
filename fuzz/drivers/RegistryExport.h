#pragma once
// The REGEDIT4 export of a registry filled from fuzz input, names and values with any
// bytes: every line stays a section header, a value line or a blank, no control
// character reaches the text, and every value of the registry gets its line.
#include <string_view>
#include <vector>

#include "Check.h"
#include "Input.h"
#include "RegistryInput.h"
#include "platform/RegistryExport.h"
#include "platform/fake/MemoryRegistry.h"

namespace bx::fuzz {

inline void CountKeys(Registry& reg, Hive hive, const std::string& path, int& keys, int& values) {
  values += static_cast<int>(reg.ValueNames(hive, path).size());
  for (const std::string& sub : reg.SubKeys(hive, path)) {
    ++keys;
    CountKeys(reg, hive, path.empty() ? sub : path + "\\" + sub, keys, values);
  }
}

inline void CheckExport(Registry& reg) {
  const std::string text = ExportRegedit4(reg);
  Check(StartsWith(text, "REGEDIT4\n\n") && EndsWith(text, "\n"), "the export starts with its header and ends a line");
  for (unsigned char c : text) Check((c >= 0x20 && c != 0x7F) || c == '\n', "no control character in the export");
  int sections = 0, valueLines = 0;
  std::string_view rest = std::string_view(text).substr(10);
  while (!rest.empty()) {
    const std::string_view line = TakeUntil(rest, '\n');
    if (line.empty()) continue;
    if (line.front() == '[') {
      Check(line.back() == ']', "a section header is one line");
      ++sections;
    } else {
      Check(line.front() == '"' || StartsWith(line, "@="), "every other line is a value line");
      ++valueLines;
    }
  }
  int keys = 0, values = 0;
  int rootsWithValues = 0;
  for (Hive hive : {Hive::CurrentUser, Hive::LocalMachine}) {
    int v = 0;
    CountKeys(reg, hive, "", keys, v);
    rootsWithValues += reg.ValueNames(hive, "").empty() ? 0 : 1;
    values += v;
  }
  Check(sections == keys + rootsWithValues, "one section per key");
  Check(valueLines == values, "one line per value");
}

inline void DriveRegistryExport(std::string_view input) {
  MemoryRegistry reg;
  FillRegistry(reg, input, {"", "SOFTWARE\\dulMAR Company ::.\\"});
  CheckExport(reg);
}

}  // namespace bx::fuzz
