// The support report's members as the window builds them: what each holds, the trace only
// when one is taken, and the WiFi keys masked wherever they turn up.
#include <gtest/gtest.h>

#include <map>

#include "links/TraceWriter.h"
#include "support/FormFixture.h"
#include "window/SupportReport.h"

namespace bx {
namespace {

using test::FormWorld;

class StillClock : public MonotonicClock {
 public:
  int64_t NowMicros() const override { return 5; }
};

std::map<std::string, std::string> ByName(const std::vector<ArchiveMember>& members) {
  std::map<std::string, std::string> out;
  for (const ArchiveMember& m : members) out[m.name] = m.data;
  return out;
}

TEST(SupportReport, MembersHoldTheirPartsWithTheKeysMasked) {
  StillClock clock;
  TraceWriterOptions o;
  o.maskLine = [](const std::string& line) { return line; };  // the trace's own choice: taken as written
  TraceWriter trace(nullptr, clock, o);
  const std::string chunk = "?APPW=TraceKey";
  trace.Record(TraceDirection::Written, "/dev/ttyACM0", chunk.data(), chunk.size());

  FormWorld w;
  AppContext c = w.Context();
  c.trace = &trace;
  TfrmMain& f = w.Start(std::move(c));
  f.memLog.SetText("SN:BX240017\r\nWS:WSBID=BX-WSB-0017&APPW=LogKey&STPW=Other1\r\n");
  f.memLogWiFi.SetText("I APPW=WiFiKey\r\n");
  w.registry.WriteString(Hive::CurrentUser, kSettingsKey, "Note", "STPW=StoredKey&X=1");

  const auto m = ByName(SupportReportMembers(f));
  std::vector<std::string> names;
  for (const auto& [name, data] : m) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"logs/memJ2534.txt", "logs/memLog.txt", "logs/memLogTest.txt",
                                             "logs/memLogWiFi.txt", "logs/memLog_Network.txt", "logs/memSYS.txt",
                                             "logs/memUpdate.txt", "passthru.txt", "ports.txt", "registry.reg",
                                             "trace.txt", "version.txt"}));
  EXPECT_EQ(m.at("version.txt"),
            "ProductName: Brevantix\nInternalName: Configurator\nFileVersion: 3.0.3.2\nCompanyName: dulMAR Company "
            "::.\nLegalCopyright: Copyright (C) dulMAR\nComments: https://www.brevantix.example\nSupport: "
            "orders@brevantix.example\nProgram: /opt/brevantix/brevantix-configurator\n");
  EXPECT_EQ(m.at("logs/memLog.txt"), "SN:BX240017\nWS:WSBID=BX-WSB-0017&APPW=******&STPW=******\n");
  EXPECT_EQ(m.at("logs/memLogWiFi.txt"), "I APPW=*******\n");
  EXPECT_EQ(m.at("logs/memUpdate.txt"), "");
  EXPECT_EQ(m.at("registry.reg").rfind("REGEDIT4\n", 0), 0u);
  EXPECT_NE(m.at("registry.reg").find("\"Note\"=\"STPW=*********&X=1\""), std::string::npos) << m.at("registry.reg");
  EXPECT_EQ(m.at("ports.txt"), "(no ports)\n");
  EXPECT_EQ(m.at("passthru.txt"), "(no pass-thru devices registered)\n");
  // The trace is taken as its writer wrote it: it masks (or, asked for, does not) itself.
  EXPECT_NE(m.at("trace.txt").find("|?APPW=TraceKey|"), std::string::npos) << m.at("trace.txt");
}

TEST(SupportReport, NoTraceMemberWithoutATrace) {
  FormWorld w;
  TfrmMain& f = w.Start();
  EXPECT_EQ(ByName(SupportReportMembers(f)).count("trace.txt"), 0u);
}

TEST(SupportReport, TheDefaultPathIsInTheHomeFolder) {
  FormWorld w;
  AppContext c = w.Context();
  c.folders.home = "/home/user";
  c.folders.dataDir = "/home/user/.local/share/brevantix-configurator";
  TfrmMain& f = w.Start(std::move(c));
  const std::string path = DefaultSupportReportPath(f);
  EXPECT_EQ(path.rfind("/home/user/brevantix-report-", 0), 0u) << path;
  EXPECT_EQ(path.size(), std::string("/home/user/brevantix-report-20261209-190000.zip").size()) << path;
  f.ctx.folders.home.clear();
  EXPECT_EQ(DefaultSupportReportPath(f).rfind(f.ctx.folders.dataDir + "/brevantix-report-", 0), 0u);
}

}  // namespace
}  // namespace bx
