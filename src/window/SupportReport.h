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
// its string values); the trace as its writer masked it.
#include <string>
#include <vector>

#include "platform/Archive.h"

namespace bx {

class TfrmMain;

std::vector<ArchiveMember> SupportReportMembers(TfrmMain& form);

// Writes the report in place of `path` (whole or not at all); `names` (may be null) gets
// its members' names. False with the reason.
bool WriteSupportReport(TfrmMain& form, const std::string& path, std::string& why,
                        std::vector<std::string>* names = nullptr);

// Where the window saves a report: "brevantix-report-YYYYMMDD-HHMMSS.zip" (UTC) in the
// user's home folder, or in the data folder when there is no home.
std::string DefaultSupportReportPath(const TfrmMain& form);

// Ctrl+Shift+S in the window: writes the report to the default path and says where (or
// why it could not).
void SaveSupportReport(TfrmMain& form);

}  // namespace bx
