// --json: every command that prints records prints one document, parsed back here, with
// the members the README names; a failure is a document with an "error" member.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/Process.h"

namespace bx::test {
namespace {

const std::string kCli = BinaryPath("src/cli/brevantix-cli");
const std::string kDemoImage = std::string(BX_SOURCE_DIR) + "/resources/demo/demo.rfw";

struct JsonCase {
  const char* name;
  std::vector<std::string> args;  // after --json
  int exitCode;
  // JSON pointers that must be in the document ("/status/serial").
  std::vector<std::string> members;
};

class JsonDocuments : public ::testing::TestWithParam<JsonCase> {};

TEST_P(JsonDocuments, OneDocumentWithItsMembers) {
  const JsonCase& c = GetParam();
  TempHome home;
  std::vector<std::string> argv = {kCli, "--json"};
  argv.insert(argv.end(), c.args.begin(), c.args.end());
  const RunResult r = RunProgram(argv, home.Env());
  EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
  nlohmann::json doc;
  ASSERT_NO_THROW(doc = nlohmann::json::parse(r.out)) << r.out;
  ASSERT_TRUE(doc.is_object());
  for (const std::string& m : c.members)
    EXPECT_TRUE(doc.contains(nlohmann::json::json_pointer(m))) << m << " missing in " << r.out;
  EXPECT_EQ(doc.contains("error"), c.exitCode != 0) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Cli, JsonDocuments,
    ::testing::Values(
        JsonCase{"Version", {"--version"}, 0, {"/product", "/version", "/company"}},
        JsonCase{"Search", {"--demo", "search"}, 0, {"/log/0", "/status/serial", "/status/port", "/status/battery"}},
        JsonCase{"Modes",
                 {"--demo", "modes"},
                 0,
                 {"/modes/0/number", "/modes/0/id", "/modes/0/description", "/modes/0/state"}},
        JsonCase{"Ports", {"--demo", "ports"}, 0, {"/ports/0/name", "/ports/0/description", "/ports/0/detail"}},
        JsonCase{"SelfTest", {"--demo", "selftest"}, 0, {"/log", "/result", "/passed"}},
        JsonCase{"Flash",
                 {"--demo", "flash", kDemoImage},
                 0,
                 {"/adapters/0/port", "/adapters/0/serial", "/adapters/0/ok", "/adapters/0/result", "/adapters/0/log"}},
        JsonCase{"SystemRead", {"--demo", "system", "read"}, 0, {"/options/msd/value", "/options/wifi/text"}},
        JsonCase{"WiFiRead", {"--demo", "wifi", "read"}, 0, {"/record/ALIAS", "/record/APPW", "/record/SDNS1"}},
        JsonCase{
            "WiFiScan",
            {"--demo", "wifi", "scan"},
            0,
            {"/accessPoints/0/ssid", "/accessPoints/0/rssi", "/accessPoints/0/security", "/accessPoints/0/joined"}},
        JsonCase{
            "Discover", {"--demo", "discover"}, 0, {"/log", "/devices/0/ip", "/devices/0/port", "/devices/0/mark"}},
        JsonCase{"NetList", {"net", "list"}, 0, {"/devices"}},
        JsonCase{"SearchFails", {"--port", "/dev/no-such-port", "search"}, 1, {"/error", "/status"}},
        JsonCase{"FlashFails", {"--demo", "flash", "/no/such.rfw"}, 1, {"/error", "/adapters/0/result"}},
        JsonCase{"UsageError", {"--demo", "system", "set", "--msd", "7"}, 2, {"/error"}},
        JsonCase{"UnknownCommand", {"frobnicate"}, 2, {"/error"}},
        // Every path of every command is one document, text or not: the paths that print
        // text have it in "text", and failures and usage errors name themselves.
        JsonCase{"UnknownGlobalOption", {"--bogus", "ports"}, 2, {"/error"}}, JsonCase{"NoCommand", {}, 2, {"/error"}},
        JsonCase{"Help", {"--help"}, 0, {"/text/0"}}, JsonCase{"CommandHelp", {"passthru", "--help"}, 0, {"/text/0"}},
        JsonCase{"DemoSearchUnlisted", {"--port", "/dev/no-such-port", "modes"}, 1, {"/error"}},
        JsonCase{"SearchWithoutPort", {"search"}, 2, {"/error"}},
        JsonCase{"SelectModeWithoutId", {"--demo", "select-mode"}, 2, {"/error"}},
        JsonCase{"ModeUsage", {"mode"}, 2, {"/error"}}, JsonCase{"Reset", {"--demo", "reset"}, 0, {}},
        JsonCase{"Registry", {"registry"}, 0, {}}, JsonCase{"NetAddUsage", {"net", "add", "10.0.0.1"}, 2, {"/error"}},
        JsonCase{"NetAdd", {"net", "add", "10.0.0.1", "23", "Shed"}, 0, {"/devices/0/ip"}},
        JsonCase{"NetDeleteUnknown", {"net", "delete", "10.9.9.9"}, 1, {"/error"}},
        JsonCase{"WiFiSetUsage", {"--demo", "wifi", "set", "NOEQUALS"}, 2, {"/error"}},
        JsonCase{"PassThruUsage", {"passthru"}, 2, {"/error"}},
        JsonCase{"PassThruUnknownSubcommand", {"passthru", "bogus"}, 2, {"/error"}},
        JsonCase{"PassThruList", {"passthru", "list"}, 0, {"/devices"}},
        JsonCase{"PassThruProbeNothingChosen", {"passthru", "probe"}, 1, {"/error"}},
        JsonCase{"PassThruProbeUnknownDevice", {"passthru", "probe", "No Such Device"}, 1, {"/error"}},
        JsonCase{"PassThruInstall",
                 {"--demo", "passthru", "install"},
                 0,
                 {"/log", "/installed", "/version", "/path", "/registeredAs", "/loadableHere"}},
        JsonCase{"PassThruInstallWithoutPort", {"passthru", "install"}, 2, {"/error"}},
        JsonCase{"PassThruCheckNothingInstalled", {"passthru", "check"}, 1, {"/error", "/installed"}},
        JsonCase{"PassThruCheckAgainstTheAdapter", {"--demo", "passthru", "check"}, 3, {"/installed", "/upToDate"}}),
    [](const auto& info) { return std::string(info.param.name); });

// --json anywhere among the global options, even after the one that is wrong, and the
// --version path: standard output is the document alone.
TEST(JsonDocuments, TheGlobalOptionsAreReadForJsonFirst) {
  TempHome home;
  struct Case {
    std::vector<std::string> argv;
    int exitCode;
    const char* member;
  } cases[] = {{{"--bogus", "--json", "ports"}, 2, "error"},
               {{"--demo", "--json", "--port"}, 2, "error"},
               {{"--version", "--json"}, 0, "version"}};
  for (const Case& c : cases) {
    std::vector<std::string> argv{kCli};
    argv.insert(argv.end(), c.argv.begin(), c.argv.end());
    const RunResult r = RunProgram(argv, home.Env());
    EXPECT_EQ(r.exitCode, c.exitCode) << c.argv[0] << r.err;
    nlohmann::json doc;
    ASSERT_NO_THROW(doc = nlohmann::json::parse(r.out)) << r.out;
    EXPECT_TRUE(doc.contains(c.member)) << r.out;
  }
}

}  // namespace
}  // namespace bx::test
