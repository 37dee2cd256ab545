#pragma once
// The window's support report (report/SupportReport): its parts gathered from the window,
// its pages' log panes and its links.
#include <string>
#include <vector>

#include "report/SupportReport.h"

namespace bx {

class TfrmMain;

ReportParts SupportReportParts(TfrmMain& form);
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
