#pragma once
// brevantix-cli flash FILE --watch: a flashing station. It watches the ports (the device
// paths that --port patterns match, or the port list's serial ports) and flashes each
// adapter that appears, several at the same time. An adapter is known by the serial
// number its search gives: one flashed in this run is not flashed again when it comes
// back, unless --again. After an upload the adapter is searched for again, for the
// firmware it runs then. Each adapter's end is a result line and, with --report, a JSON
// line appended to the file and synced before the next adapter's.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cli/JsonDocument.h"

namespace bx::cli {

struct FlashArgs;
struct Session;

// One adapter's end at the station.
struct StationResult {
  std::string port, serial;
  std::string before, after;  // the firmware versions its searches gave ("" when unknown)
  bool ok = false;
  bool skipped = false;  // not flashed: flashed earlier in this run
  std::string result;    // "Ok", or the cause
  double seconds = 0;
  std::string ended;  // UTC, ISO 8601
  std::vector<std::string> log;
};

// The report's line for a result: the --json flash document's members for one adapter,
// with the versions, the seconds and the time it ended.
Json StationReportLine(const StationResult& r);
// "PORT<TAB>SERIAL<TAB>BEFORE -> AFTER<TAB>Ok<TAB>12.3 s", as the station prints it.
std::string StationResultLine(const StationResult& r);

// Runs the station until a termination signal; 0 when no adapter failed.
int RunStation(Session& s, const FlashArgs& a);

}  // namespace bx::cli
