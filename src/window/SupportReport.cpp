#include "window/SupportReport.h"

#include <ctime>

#include "core/Bytes.h"
#include "exchange/PortList.h"
#include "window/Unitmain.h"
#include "links/LinkTable.h"
#include "passthru/PassThruPage.h"
#include "platform/Files.h"
#include "platform/RegistryExport.h"
#include "wifi/WiFiCommand.h"
#include "window/Modules.h"

namespace bx {

namespace {

constexpr int kTraceFlushMs = 2000;

// Every line of `text` with the WiFi keys masked; lines end in LF.
std::string Masked(const std::string& text) {
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out += WiFiLogLine(line) + "\n";
    pos = end + 1;
  }
  return out;
}

// A REGEDIT4 export with the WiFi keys in its string values masked: the text between the
// quotes of a "Name"="data" or @="data" line is masked as a log line is.
std::string MaskedExport(const std::string& text) {
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    std::size_t value = std::string::npos;
    if (line.rfind("@=", 0) == 0) {
      value = 2;
    } else if (!line.empty() && line[0] == '"') {
      std::size_t i = 1;
      while (i < line.size() && line[i] != '"') i += line[i] == '\\' ? 2 : 1;
      if (i + 1 < line.size() && line[i + 1] == '=') value = i + 2;
    }
    if (value != std::string::npos && line.size() >= value + 2 && line[value] == '"' && line.back() == '"')
      out += line.substr(0, value + 1) + WiFiLogLine(line.substr(value + 1, line.size() - value - 2)) + "\"\n";
    else
      out += line + "\n";
  }
  return out;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

std::string VersionText(const TfrmMain& f) {
  if (!f.ctx.version) return "(this program file has no version record)\nProgram: " + f.ctx.programPath + "\n";
  const VersionRecord& v = *f.ctx.version;
  return "ProductName: " + v.productName + "\nInternalName: " + v.internalName + "\nFileVersion: " + v.fileVersion +
         "\nCompanyName: " + v.companyName + "\nLegalCopyright: " + v.legalCopyright + "\nComments: " + v.comments +
         "\nSupport: " + v.support + "\nProgram: " + f.ctx.programPath + "\n";
}

std::string PortsText(TfrmMain& f) {
  PortList& ports = *f.Modules->ports;
  // Every link lists its ports in its first scan pass, begun when the window was made.
  if (f.Links) f.Links->WaitScanAll(false);
  ports.Refresh(false);
  const PortLists& rows = ports.Rows();
  if (rows.Names.empty()) return "(no ports)\n";
  std::string out;
  for (std::size_t i = 0; i < rows.Names.size(); ++i) {
    out += rows.Names[i] + "\t" + rows.Descriptions[i] + "\t" + rows.Details[i] + "\n";
    if (!ports.Feed()) continue;
    for (const auto& [label, value] : ports.Feed()->Properties(rows.Names[i], rows.Details[i]))
      out += "    " + label + ": " + value + "\n";
  }
  return out;
}

std::string RegistryText(TfrmMain& f) {
  Registry* reg = f.ctx.registry;
  if (!reg) return "(no settings store)\n";
  const std::vector<std::string> own = {kSettingsKey, std::string(kClassesKey) + "\\.rfw",
                                        std::string(kClassesKey) + "\\Brevantix_Firmware", kPassThruKey};
  return reg->SharedWithOtherPrograms() ? ExportRegedit4(*reg, own) : ExportRegedit4(*reg);
}

std::string PassThruText(TfrmMain& f) {
  std::vector<std::string> skipped;
  const std::vector<PassThruDevice> devices = f.Modules->passThru->ListDevices(&skipped);
  std::string out;
  if (devices.empty()) out += "(no pass-thru devices registered)\n";
  for (const PassThruDevice& d : devices)
    out += d.name + "\t" + d.vendor + "\t" + d.functionLibrary + "\t" + d.source + "\n";
  for (const std::string& s : skipped) out += "skipped manifest: " + s + "\n";
  return out;
}

}  // namespace

std::vector<ArchiveMember> SupportReportMembers(TfrmMain& f) {
  std::vector<ArchiveMember> members;
  members.push_back({"version.txt", VersionText(f)});
  members.push_back({"ports.txt", Masked(PortsText(f))});
  members.push_back({"registry.reg", MaskedExport(RegistryText(f))});
  members.push_back({"passthru.txt", Masked(PassThruText(f))});
  if (f.ctx.trace) {
    // Its own masking already applied (or, asked for, not): taken as written.
    f.ctx.trace->Flush(kTraceFlushMs);
    members.push_back({"trace.txt", f.ctx.trace->RecentText()});
  }
  const std::pair<const char*, const ui::TMemo*> logs[] = {
      {"memLog", &f.memLog},         {"memUpdate", &f.memUpdate},   {"memLog_Network", &f.memLog_Network},
      {"memJ2534", &f.memJ2534},     {"memSYS", &f.memSYS},         {"memLogWiFi", &f.memLogWiFi},
      {"memLogTest", &f.memLogTest},
  };
  for (const auto& [name, memo] : logs)
    members.push_back({std::string("logs/") + name + ".txt", Masked(Joined(memo->Lines()))});
  return members;
}

bool WriteSupportReport(TfrmMain& form, const std::string& path, std::string& why, std::vector<std::string>* names) {
  const std::vector<ArchiveMember> members = SupportReportMembers(form);
  if (names)
    for (const ArchiveMember& m : members) names->push_back(m.name);
  std::string bytes;
  return ZipArchiveBytes(members, bytes, why) && ReplaceFileContents(path, bytes, why);
}

std::string DefaultSupportReportPath(const TfrmMain& form) {
  const std::time_t now = std::time(nullptr);
  char stamp[32] = "report";
  if (const std::tm* t = std::gmtime(&now)) std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", t);
  std::string folder = form.ctx.folders.home.empty() ? form.ctx.folders.dataDir : form.ctx.folders.home;
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
  return folder + "brevantix-report-" + stamp + ".zip";
}

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
