#pragma once
// The support report: one zip archive with what support asks for first, so that a user
// can hand it over in one piece. Its members:
//
//   version.txt        the program's version record and its path
//   ports.txt          the port list (name, description, detail) and each port's properties
//   registry.reg       the settings store as a REGEDIT4 export
//   passthru.txt       the registered pass-thru devices
//   trace.txt          the wire trace of this run (only when one is taken)
//   logs/NAME.txt      the log panes of the pages (memLog, memUpdate, ...)
//
// The WiFi keys are masked in every member as the WiFi log masks them (in the export, in
// its string values); the trace as its writer masked it. The window and the command
// line each gather the parts and hand them in.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "passthru/PassThruDevice.h"
#include "platform/Archive.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/System.h"

namespace bx {

class LinkTrace;

struct ReportPort {
  std::string name, description, detail;
  PropertyRows properties;
};

struct ReportParts {
  std::optional<VersionRecord> version;
  std::string programPath;
  std::vector<ReportPort> ports;
  Registry* registry = nullptr;  // null: no settings store
  std::vector<PassThruDevice> passThruDevices;
  std::vector<std::string> skippedManifests;
  LinkTrace* trace = nullptr;  // null: no trace member
  // The log panes by name, in the report's order.
  std::vector<std::pair<std::string, std::vector<std::string>>> logs;
};

// The log panes' names, in the report's order.
inline const std::vector<std::string> kReportLogs = {"memLog", "memUpdate",  "memLog_Network", "memJ2534",
                                                     "memSYS", "memLogWiFi", "memLogTest"};

std::vector<ArchiveMember> SupportReportMembers(const ReportParts& parts);

// Writes the report in place of `path` (whole or not at all); `names` (may be null) gets
// its members' names. False with the reason.
bool WriteSupportReport(const ReportParts& parts, const std::string& path, std::string& why,
                        std::vector<std::string>* names = nullptr);

// Where a report is saved by default: "brevantix-report-YYYYMMDD-HHMMSS.zip" (UTC) in the
// user's home folder, or in the data folder when there is no home.
std::string DefaultSupportReportPath(const UserFolders& folders);

}  // namespace bx
