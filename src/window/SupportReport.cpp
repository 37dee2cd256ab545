#include "window/SupportReport.h"

#include "exchange/PortList.h"
#include "links/LinkTable.h"
#include "passthru/PassThruPage.h"
#include "window/Modules.h"
#include "window/Unitmain.h"

namespace bx {

ReportParts SupportReportParts(TfrmMain& f) {
  ReportParts p;
  p.version = f.ctx.version;
  p.programPath = f.ctx.programPath;
  PortList& ports = *f.Modules->ports;
  // Every link lists its ports in its first scan pass, begun when the window was made.
  if (f.Links) f.Links->WaitScanAll(false);
  ports.Refresh(false);
  const PortLists& rows = ports.Rows();
  for (std::size_t i = 0; i < rows.Names.size(); ++i)
    p.ports.push_back({rows.Names[i], rows.Descriptions[i], rows.Details[i],
                       ports.Feed() ? ports.Feed()->Properties(rows.Names[i], rows.Details[i]) : PropertyRows{}});
  p.registry = f.ctx.registry;
  p.passThruDevices = f.Modules->passThru->ListDevices(&p.skippedManifests);
  p.trace = f.ctx.trace;
  const ui::TMemo* panes[] = {&f.memLog, &f.memUpdate,  &f.memLog_Network, &f.memJ2534,
                              &f.memSYS, &f.memLogWiFi, &f.memLogTest};
  for (std::size_t i = 0; i < kReportLogs.size(); ++i) p.logs.emplace_back(kReportLogs[i], panes[i]->Lines());
  return p;
}

std::vector<ArchiveMember> SupportReportMembers(TfrmMain& f) { return SupportReportMembers(SupportReportParts(f)); }

bool WriteSupportReport(TfrmMain& form, const std::string& path, std::string& why, std::vector<std::string>* names) {
  return WriteSupportReport(SupportReportParts(form), path, why, names);
}

std::string DefaultSupportReportPath(const TfrmMain& form) { return DefaultSupportReportPath(form.ctx.folders); }

void SaveSupportReport(TfrmMain& form) {
  const std::string path = DefaultSupportReportPath(form);
  std::string why;
  if (WriteSupportReport(form, path, why))
    form.AppMessageBox("Support Report", "The support report was written to " + path + ".", mb::IconInformation);
  else
    form.AppMessageBox("Support Report", "The support report could not be written to " + path + ": " + why + ".",
                       mb::IconError);
}

}  // namespace bx
