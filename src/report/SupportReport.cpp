#include "report/SupportReport.h"

#include <ctime>

#include "links/LinkTrace.h"
#include "platform/Files.h"
#include "platform/RegistryExport.h"
#include "settings/Settings.h"
#include "wifi/WiFiCommand.h"

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

std::string VersionText(const ReportParts& p) {
  if (!p.version) return "(this program file has no version record)\nProgram: " + p.programPath + "\n";
  const VersionRecord& v = *p.version;
  return "ProductName: " + v.productName + "\nInternalName: " + v.internalName + "\nFileVersion: " + v.fileVersion +
         "\nCompanyName: " + v.companyName + "\nLegalCopyright: " + v.legalCopyright + "\nComments: " + v.comments +
         "\nSupport: " + v.support + "\nProgram: " + p.programPath + "\n";
}

std::string PortsText(const ReportParts& p) {
  if (p.ports.empty()) return "(no ports)\n";
  std::string out;
  for (const ReportPort& port : p.ports) {
    out += port.name + "\t" + port.description + "\t" + port.detail + "\n";
    for (const auto& [label, value] : port.properties) out += "    " + label + ": " + value + "\n";
  }
  return out;
}

std::string RegistryText(const ReportParts& p) {
  Registry* reg = p.registry;
  if (!reg) return "(no settings store)\n";
  const std::vector<std::string> own = {kSettingsKey, std::string(kClassesKey) + "\\.rfw",
                                        std::string(kClassesKey) + "\\Brevantix_Firmware", kPassThruKey};
  return reg->SharedWithOtherPrograms() ? ExportRegedit4(*reg, own) : ExportRegedit4(*reg);
}

std::string PassThruText(const ReportParts& p) {
  std::string out;
  if (p.passThruDevices.empty()) out += "(no pass-thru devices registered)\n";
  for (const PassThruDevice& d : p.passThruDevices)
    out += d.name + "\t" + d.vendor + "\t" + d.functionLibrary + "\t" + d.source + "\n";
  for (const std::string& s : p.skippedManifests) out += "skipped manifest: " + s + "\n";
  return out;
}

}  // namespace

std::vector<ArchiveMember> SupportReportMembers(const ReportParts& p) {
  std::vector<ArchiveMember> members;
  members.push_back({"version.txt", VersionText(p)});
  members.push_back({"ports.txt", Masked(PortsText(p))});
  members.push_back({"registry.reg", MaskedExport(RegistryText(p))});
  members.push_back({"passthru.txt", Masked(PassThruText(p))});
  if (p.trace) {
    // Its own masking already applied (or, asked for, not): taken as written.
    p.trace->Flush(kTraceFlushMs);
    members.push_back({"trace.txt", p.trace->RecentText()});
  }
  for (const auto& [name, lines] : p.logs) members.push_back({"logs/" + name + ".txt", Masked(Joined(lines))});
  return members;
}

bool WriteSupportReport(const ReportParts& parts, const std::string& path, std::string& why,
                        std::vector<std::string>* names) {
  const std::vector<ArchiveMember> members = SupportReportMembers(parts);
  if (names)
    for (const ArchiveMember& m : members) names->push_back(m.name);
  std::string bytes;
  return ZipArchiveBytes(members, bytes, why) && ReplaceFileContents(path, bytes, why);
}

std::string DefaultSupportReportPath(const UserFolders& folders) {
  const std::time_t now = std::time(nullptr);
  char stamp[32] = "report";
  if (const std::tm* t = std::gmtime(&now)) std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", t);
  std::string folder = folders.home.empty() ? folders.dataDir : folders.home;
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
  return folder + "brevantix-report-" + stamp + ".zip";
}

}  // namespace bx
