// The System, WiFi and mode commands against the simulator on a pseudo-terminal: what
// each sends the adapter (its command log), what it prints and its exit code.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "sim/SimPty.h"
#include "support/Process.h"
#include "support/TempFile.h"

namespace bx::test {
namespace {

const std::string kCli = BinaryPath("src/cli/brevantix-cli");

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct PageCase {
  const char* name;
  std::vector<std::string> args;  // after --port PTY
  int exitCode;
  std::vector<std::string> sent;     // adapter commands that must have arrived
  std::vector<std::string> notSent;  // commands (prefixes) that must not have
  std::vector<std::string> printed;  // parts of standard output
};

std::ostream& operator<<(std::ostream& o, const PageCase& c) { return o << c.name; }

class PageCommands : public ::testing::TestWithParam<PageCase> {};

// The scenario's defaults: options B1 W2 N1 D0 L0 (the WiFi page offered), DHCP on, the
// AP key "brevantix", three access points of which none is the station's.
TEST_P(PageCommands, SendsWhatThePageSendsAndPrintsTheResult) {
  const PageCase& c = GetParam();
  TempHome home;
  sim::PtyAdapter pty;
  ASSERT_TRUE(pty.Start());
  std::vector<std::string> argv = {kCli, "--port", pty.SlavePath()};
  argv.insert(argv.end(), c.args.begin(), c.args.end());
  const RunResult r = RunProgram(argv, home.Env());
  const auto events = pty.adapter().Events();
  pty.Stop();
  EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
  auto arrived = [&](const std::string& command, bool prefix) {
    return std::any_of(events.begin(), events.end(), [&](const std::string& e) {
      return prefix ? e.rfind("command: " + command, 0) == 0 : e == "command: " + command;
    });
  };
  for (const auto& s : c.sent) EXPECT_TRUE(arrived(s, false)) << s << " not sent";
  for (const auto& s : c.notSent) EXPECT_FALSE(arrived(s, true)) << s << " sent";
  for (const auto& p : c.printed) EXPECT_TRUE(Has(r.out, p)) << p << " not in\n" << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Cli, PageCommands,
    ::testing::Values(
        PageCase{"SystemRead", {"system", "read"}, 0, {"S"}, {"SD"}, {"msd\t0\toff\n", "bluetooth\t1\tHC-06\n"}},
        // The options not named go out as the adapter reported them.
        PageCase{"SystemSetOne", {"system", "set", "--bluetooth", "2"}, 0, {"SD0W2B2N1"}, {}, {"bluetooth\t2\tHC-02"}},
        PageCase{"SystemSetTwo", {"system", "set", "--msd", "1", "--wifi", "2"}, 0, {"SD1W2B1N2"}, {}, {"msd\t1\ton"}},
        PageCase{"SystemSetNothingNew", {"system", "set", "--wireless", "2"}, 0, {"S"}, {"SD"}, {"wireless\t2"}},
        PageCase{"SystemSetBadValue", {"system", "set", "--msd", "2"}, 2, {}, {"S"}, {}},
        PageCase{"SystemSetNoOption", {"system", "set"}, 2, {}, {"I"}, {}},
        PageCase{"WiFiReadMasksKeys", {"wifi", "read"}, 0, {"WC"}, {"WC?"}, {"APPW=****\n", "ALIAS=Brevantix\n"}},
        PageCase{"WiFiReadShowKeys", {"wifi", "read", "--show-keys"}, 0, {"WC"}, {}, {"APPW=brevantix\n"}},
        // Only the entries named are marked, so only they are sent.
        PageCase{"WiFiSetOne", {"wifi", "set", "ALIAS=My Car"}, 0, {"WC?ALIAS=My%20Car"}, {}, {"ALIAS=My Car\n"}},
        PageCase{"WiFiSetChoices", {"wifi", "set", "APCH=11", "APAUT=WPA-PSK"}, 0, {"WC?APCH=11&APAUT=2"}, {}, {}},
        PageCase{"WiFiSetKeyMaskedInOutput",
                 {"wifi", "set", "APPW=hunter22"},
                 0,
                 {"WC?APPW=hunter22"},
                 {},
                 {"Sent !dulMAR_SC_WC?APPW=****\n"}},
        PageCase{"WiFiSetStaticNeedsDhcpOff", {"wifi", "set", "STIP=10.0.0.9"}, 2, {"WC"}, {"WC?"}, {}},
        PageCase{"WiFiSetStaticWithDhcpOff",
                 {"wifi", "set", "STIP=10.0.0.9", "SDHCP=0"},
                 0,
                 {"WC?SDHCP=0&STIP=10.0.0.9"},
                 {},
                 {"STIP=10.0.0.9\n"}},
        PageCase{"WiFiSetUnchangedSendsNothing", {"wifi", "set", "ALIAS=Brevantix"}, 0, {"WC"}, {"WC?"}, {}},
        PageCase{"WiFiSetReadOnlyKey", {"wifi", "set", "WSBID=X"}, 2, {}, {"I"}, {}},
        PageCase{"WiFiSetTooLong", {"wifi", "set", "ALIAS=seventeen chars!!"}, 2, {"WC"}, {"WC?"}, {}},
        PageCase{"WiFiScan", {"wifi", "scan"}, 0, {"WS"}, {}, {"Garage\t-58\t6\tWPA2-PSK\tA0:B1:C2:D3:E4:F5\n"}},
        PageCase{"WiFiJoin", {"wifi", "join", "Guest", "--key", "k1"}, 0, {"WS", "WC?STAP=Guest&STPW=k1"}, {}, {}},
        PageCase{"WiFiJoinUnknown", {"wifi", "join", "Nowhere"}, 1, {"WS"}, {"WC?"}, {}},
        PageCase{"WiFiUpdate", {"wifi", "update"}, 0, {"WU"}, {}, {"WiFi chipset update: OK\n"}},
        PageCase{"WiFiFactoryResetAsks", {"wifi", "factory-reset"}, 1, {"I"}, {"WE"}, {}},
        PageCase{"WiFiFactoryResetYes", {"--yes", "wifi", "factory-reset"}, 0, {"WE"}, {}, {"factory reset: OK"}},
        PageCase{"ModeHideRunningRefused", {"mode", "hide", "01"}, 1, {"I"}, {}, {"01\t01\tJ2534 Pass-Thru\tSelected"}},
        PageCase{"ModeHideDefaultRefused", {"mode", "hide", "000"}, 1, {"I"}, {}, {}},
        PageCase{"ModeUnknown", {"mode", "show", "7Z"}, 1, {"I"}, {}, {}},
        PageCase{"ModeUsage", {"mode", "link", "02"}, 2, {}, {"I"}, {}},
        // A value the adapter would store and then fail on is refused before anything goes out.
        PageCase{"WiFiSetBadAddress", {"wifi", "set", "ALIAS=Car", "APIP=999.1.1"}, 2, {}, {"I", "WC"}, {}},
        PageCase{"WiFiSetBadMask", {"wifi", "set", "APNM=255.0.255.0"}, 2, {}, {"I", "WC"}, {}},
        PageCase{"WiFiSetBadPort", {"wifi", "set", "WSBP=99999"}, 2, {}, {"I", "WC"}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// The WiFi commands need the adapter's bridge to run the maker's firmware.
TEST(PageCli, WiFiCommandsRefuseAnAdapterWithoutTheWiFiPage) {
  TempHome home;
  sim::Scenario s;
  s.optN = 2;
  sim::PtyAdapter pty(s);
  ASSERT_TRUE(pty.Start());
  const RunResult r = RunProgram({kCli, "--port", pty.SlavePath(), "wifi", "read"}, home.Env());
  pty.Stop();
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Has(r.err, "offers no WiFi settings")) << r.err;
}

// Hide, show, link, run and unlink keep their marks in the settings, so one run sees
// what the one before it stored.
TEST(PageCli, ModeHousekeepingIsStoredAndSeenByTheNextRun) {
  TempHome home;
  TempFolder folder;
  const std::string marker = folder.Path() + "/ran";
  const std::string tool = folder.Write("tool.sh", "#!/bin/sh\ntouch '" + marker + "'\n");
  std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
  const std::vector<std::string> demo = {kCli, "--demo"};
  auto run = [&](std::vector<std::string> args) {
    std::vector<std::string> argv = demo;
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, home.Env());
  };
  RunResult r = run({"mode", "hide", "02"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "02\t02\tOBD Command Emulation\tHidden\n")) << r.out;
  EXPECT_FALSE(Has(run({"modes"}).out, "OBD Command Emulation"));  // left out of the normal list
  EXPECT_TRUE(Has(run({"mode", "show", "02"}).out, "02\t02\tOBD Command Emulation\tActive\n"));
  EXPECT_TRUE(Has(run({"modes"}).out, "OBD Command Emulation\tNormal"));

  r = run({"mode", "link", "03", tool});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "03\t" + tool + "\n");
  EXPECT_EQ(run({"mode", "link", "03", folder.Path() + "/none"}).exitCode, 1);  // "is not found."
  r = run({"mode", "run", "03"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (int i = 0; i < 100 && !std::filesystem::exists(marker); ++i) RunProgram({"/bin/sleep", "0.05"});
  EXPECT_TRUE(std::filesystem::exists(marker)) << "the linked program did not run";
  EXPECT_EQ(run({"mode", "unlink", "03"}).exitCode, 1);  // asked, not answered
  EXPECT_EQ(run({"--yes", "mode", "unlink", "03"}).out, "03\t\n");
  EXPECT_EQ(run({"mode", "run", "03"}).exitCode, 1);  // nothing linked any more
}

// The running mode is selected in the list as any other: a program is linked to it, run
// and unlinked; only hiding it is refused.
TEST(PageCli, TheRunningModeTakesAProgramToo) {
  TempHome home;
  TempFolder folder;
  const std::string marker = folder.Path() + "/ran";
  const std::string tool = folder.Write("tool.sh", "#!/bin/sh\ntouch '" + marker + "'\n");
  std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
  auto run = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {kCli, "--demo"});
    return RunProgram(args, home.Env());
  };
  EXPECT_TRUE(Has(run({"modes"}).out, "01\tJ2534 Pass-Thru\tSelected"));
  RunResult r = run({"mode", "link", "01", tool});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "01\t" + tool + "\n");
  r = run({"mode", "run", "01"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (int i = 0; i < 100 && !std::filesystem::exists(marker); ++i) RunProgram({"/bin/sleep", "0.05"});
  EXPECT_TRUE(std::filesystem::exists(marker)) << "the linked program did not run";
  EXPECT_EQ(run({"mode", "hide", "01"}).exitCode, 1);
  EXPECT_EQ(run({"--yes", "mode", "unlink", "01"}).out, "01\t\n");
  EXPECT_EQ(run({"mode", "run", "01"}).exitCode, 1);
}

}  // namespace
}  // namespace bx::test
