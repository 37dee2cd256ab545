// brevantix-cli against hostile input and surroundings: control characters from the
// adapter, the network and the store; keys kept out of the argument list; commands that
// would smuggle a second adapter command; entries that could never be opened; output that
// cannot be written; arguments that contradict each other.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "core/Bytes.h"
#include "settings/Settings.h"
#include "netdev/DeviceStore.h"
#include "platform/posix/SqliteRegistry.h"
#include "sim/SimPty.h"
#include "support/Process.h"
#include "support/TempFile.h"
#include "support/TimeScale.h"

namespace bx {
namespace {

using test::BinaryPath;
using test::RunProgram;
using test::RunResult;

const std::string kCli = BinaryPath("src/cli/brevantix-cli");

struct Cli : ::testing::Test {
  test::TempHome home;
  RunResult Run(const std::vector<std::string>& args) {
    std::vector<std::string> argv{kCli};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, home.Env());
  }
  // The command through a shell line: "$0" is the CLI, "$@" the arguments.
  RunResult Shell(const std::string& line, const std::vector<std::string>& args) {
    std::vector<std::string> argv{"/bin/sh", "-c", line, kCli};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, home.Env());
  }
  std::string StorePath() const { return home.Path() + "/config/brevantix-configurator/registry.sqlite3"; }
  void StoreDeviceLines(const std::vector<std::string>& lines) {
    std::filesystem::create_directories(std::filesystem::path(StorePath()).parent_path());
    SqliteRegistry r(StorePath());
    DeviceStore(r, kSettingsKey).WriteLines(lines);
  }
};

TEST(TerminalText, ControlCharactersAreShownAsEscapes) {
  struct Case {
    const char* name;
    std::string in, out;
  } cases[] = {
      {"plain text", "Garage unit 7", "Garage unit 7"},
      {"UTF-8 kept", "Gar\xc3\xa4ge \xe2\x82\xac", "Gar\xc3\xa4ge \xe2\x82\xac"},
      {"title change", "\x1b]0;owned\x07", "\\x1b]0;owned\\x07"},
      {"screen clear", "\x1b[2J\x1b[H", "\\x1b[2J\\x1b[H"},
      {"carriage-return overwrite", "ok\rFAIL", "ok\\x0dFAIL"},
      {"tab and newline forge fields and rows", "a\tb\nc", "a\\x09b\\x0ac"},
      {"NUL and DEL", std::string("a\0b\x7f", 4), "a\\x00b\\x7f"},
      {"a C1 control in UTF-8 (CSI)",
       "\xc2\x9b"
       "2J",
       "\\xc2\\x9b2J"},
      {"a byte of no UTF-8 sequence",
       "\x9b"
       "2J\xff",
       "\\x9b2J\\xff"},
      {"a cut sequence", "\xe2\x82", "\\xe2\\x82"},
  };
  for (const Case& c : cases) EXPECT_EQ(EscapeControls(c.in), c.out) << c.name;
  // A log pane's line keeps the tabs of its own layout, nothing else.
  EXPECT_EQ(EscapeControls("DLL:\t4.4\r\x1b[K", true), "DLL:\t4.4\\x0d\\x1b[K");
}

// A device line in the store, as another program or an answer saved by discover may have
// left it: its name holds tabs, a line end, a title change and a C1 control.
TEST_F(Cli, ControlCharactersInAStoredNameCannotForgeRowsOrDriveTheTerminal) {
  const std::string name = "Evil\tStored\t6.6.6.6\t23\t\n\x1b]0;owned\x07\x7f\xc2\x9b";
  StoreDeviceLines({name + " AA 10.0.0.1 23"});
  const RunResult text = Run({"net", "list"});
  ASSERT_EQ(text.exitCode, 0) << text.err;
  EXPECT_EQ(text.out, "Stored\t10.0.0.1\t23\t" + EscapeControls(name) + "\tAA\n");

  const RunResult json = Run({"--json", "net", "list"});
  ASSERT_EQ(json.exitCode, 0) << json.err;
  for (const char* raw : {"\x1b", "\x07", "\x7f", "\xc2\x9b", "\t6.6"})
    EXPECT_EQ(json.out.find(raw), std::string::npos) << "raw " << Printable(raw) << " in " << json.out;
  for (const char* escaped : {"\\u001b", "\\u0007", "\\u007f", "\\u009b", "\\t6.6", "\\n"})
    EXPECT_NE(json.out.find(escaped), std::string::npos) << escaped << " missing in " << json.out;
  // JSON's escapes read back as the name itself.
  EXPECT_EQ(nlohmann::json::parse(json.out)["devices"][0]["name"], name);
}

// An adapter whose identity reply carries its WiFi record ("WS:" with both keys) and an
// identity line that would retitle the terminal and clear its screen.
TEST_F(Cli, SearchMasksTheWiFiKeysAndEscapesTheReply) {
  sim::Scenario sc;
  sc.extraLines = {"WS:ALIAS=Car&APPW=apsecret9&STPW=stsecret9&STAP=Home"};
  sc.hardware = "\x1b]0;owned\x07\x1b[2J BX-2";
  sim::PtyAdapter pty(sc);
  ASSERT_TRUE(pty.Start());
  struct Case {
    std::vector<std::string> args;
    bool shown;
  } cases[] = {{{"search"}, false}, {{"--json", "search"}, false}, {{"search", "--show-keys"}, true}};
  for (const Case& c : cases) {
    std::vector<std::string> args{"--port", pty.SlavePath()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const RunResult r = Run(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const bool json = c.args[0] == "--json";
    const std::string log = json ? nlohmann::json::parse(r.out)["log"].dump() : r.out;
    const std::string ws =
        c.shown ? "WS:ALIAS=Car&APPW=apsecret9&STPW=stsecret9&STAP=Home" : "WS:ALIAS=Car&APPW=****&STPW=****&STAP=Home";
    EXPECT_NE(log.find(ws), std::string::npos) << log;
    EXPECT_EQ(r.out.find("secret9") != std::string::npos, c.shown) << r.out;
    EXPECT_EQ(r.err.find("secret9"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(json ? "HW:\\u001b]0;owned\\u0007\\u001b[2J BX-2" : "HW:\\x1b]0;owned\\x07\\x1b[2J BX-2\n"),
              std::string::npos)
        << r.out;
    if (!json) {
      EXPECT_NE(r.out.find("\nHardware: \\x1b]0;owned\\x07\\x1b[2J BX-2\n"), std::string::npos) << r.out;
    }
  }
  pty.Stop();
}

TEST_F(Cli, KeysComeFromStandardInputOrAFileAndAKeyInTheArgumentsIsWarnedOf) {
  const std::string keyFile = home.Path() + "/key";
  std::ofstream(keyFile) << "fromfile9\nsecond line\n";
  struct Case {
    const char* name;
    std::string line;
    std::vector<std::string> args;
    int exitCode;
    std::string record;  // in standard output
    bool warned;
  } cases[] = {
      {"stdin",
       "printf 'piped123\\n' | \"$0\" \"$@\"",
       {"--demo", "wifi", "join", "Garage", "--key", "-", "--show-keys"},
       0,
       "STPW=piped123",
       false},
      {"file",
       "exec \"$0\" \"$@\"",
       {"--demo", "wifi", "join", "Garage", "--key-file", keyFile, "--show-keys"},
       0,
       "STPW=fromfile9",
       false},
      {"argument",
       "exec \"$0\" \"$@\"",
       {"--demo", "wifi", "join", "Garage", "--key", "inargs42", "--show-keys"},
       0,
       "STPW=inargs42",
       true},
      {"set from stdin",
       "printf 'apkey777\\n' | \"$0\" \"$@\"",
       {"--demo", "wifi", "set", "APPW=-", "--show-keys"},
       0,
       "APPW=apkey777",
       false},
      {"set from a file",
       "exec \"$0\" \"$@\"",
       {"--demo", "wifi", "set", "--key-file", "APPW=" + keyFile},
       0,
       "APPW=****",
       false},
      {"set in the arguments", "exec \"$0\" \"$@\"", {"--demo", "wifi", "set", "APPW=inargs42"}, 0, "APPW=****", true},
      {"nothing on stdin",
       "exec \"$0\" \"$@\" </dev/null",
       {"--demo", "wifi", "join", "Garage", "--key", "-"},
       2,
       "",
       false},
      {"no such key file",
       "exec \"$0\" \"$@\"",
       {"--demo", "wifi", "join", "Garage", "--key-file", keyFile + "x"},
       2,
       "",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RunResult r = Shell(c.line, c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    if (!c.record.empty()) {
      EXPECT_NE(r.out.find(c.record + "\n"), std::string::npos) << r.out;
    }
    EXPECT_EQ(r.err.find("warning: a key on the command line") != std::string::npos, c.warned) << r.err;
  }
}

// A CR or LF in a text for the adapter would end the command there and start another
// one (the simulator would run "R", its reset).
TEST_F(Cli, ControlCharactersInTextsForTheAdapterAreRefused) {
  const std::vector<std::string> cases[] = {
      {"--demo", "selftest", "a\r\nR"},
      {"--demo", "selftest", "\nR"},
      {"--demo", "wifi", "set", "ALIAS=x\r\nR"},
      {"--demo", "wifi", "join", "Gar\rage"},
      {"--demo", "wifi", "join", "Garage", "--key", "a\nR"},
  };
  for (const auto& args : cases) {
    const RunResult r = Run(args);
    EXPECT_EQ(r.exitCode, 2) << Printable(args.back()) << r.err;
    EXPECT_NE(r.err.find("control characters"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
}

TEST_F(Cli, NetworkEntriesThatCannotBeOpenedAreRefused) {
  struct Case {
    std::vector<std::string> args;
    const char* why;
  } cases[] = {
      {{"add", "127.0.0.1", "0"}, "port"},
      {{"add", "127.0.0.1", "65536"}, "port"},
      {{"add", "127.0.0.1", "-1"}, "port"},
      {{"add", "127.0.0.1", "23x"}, "port"},
      {{"add", "::1", "23"}, "IP address"},
      {{"add", "garbage", "23"}, "IP address"},
      {{"add", "1.2.3", "23"}, "IP address"},
      {{"add", "256.1.1.1", "23"}, "IP address"},
      {{"add", "127.0.0.1", "23", "bell\a"}, "control characters"},
      {{"update", "127.0.0.1", "--port", "70000"}, "port"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"net"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const RunResult r = Run(args);
    EXPECT_EQ(r.exitCode, 2) << c.args[1] << " " << c.args[2] << ": " << r.err;
    EXPECT_NE(r.err.find(c.why), std::string::npos) << r.err;
  }
  EXPECT_EQ(Run({"net", "list"}).out, "");
  EXPECT_EQ(Run({"net", "add", "127.0.0.1", "65535", "Edge"}).exitCode, 0);
}

// Runs the CLI with standard output a pipe whose reader is gone already; the exit status
// as waitpid has it (bounded: killed after 30 s).
int RunIntoClosedPipe(const std::vector<std::string>& args, const std::vector<std::string>& env) {
  std::vector<std::string> argv{kCli};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> envs = env;
  for (char** e = environ; *e; ++e) envs.emplace_back(*e);
  std::vector<char*> a, e;
  for (auto& s : argv) a.push_back(s.data());
  a.push_back(nullptr);
  for (auto& s : envs) e.push_back(s.data());
  e.push_back(nullptr);
  int p[2];
  if (::pipe(p) != 0) return -1;
  ::close(p[0]);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(p[1], 1);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 2);
    ::execve(a[0], a.data(), e.data());
    ::_exit(127);
  }
  ::close(p[1]);
  int status = 0;
  for (int waited = 0; ::waitpid(pid, &status, WNOHANG) == 0; waited += 10) {
    if (waited > test::ScaledMs(30000)) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return status;
}

TEST_F(Cli, OutputThatCannotBeWrittenIsAnError) {
  struct Case {
    const char* name;
    std::string line;
    const char* why;
  } cases[] = {
      {"a full disk", "exec \"$0\" \"$@\" >/dev/full", "No space left on device"},
      {"closed", "exec \"$0\" \"$@\" >&-", "closed"},
  };
  for (const std::vector<std::string>& args : {std::vector<std::string>{"registry"}, {"--json", "ports"}})
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " " + args.back());
      const RunResult r = Shell(c.line, args);
      EXPECT_EQ(r.exitCode, 1) << r.err;
      EXPECT_NE(r.err.find("brevantix-cli: the output could not be written: "), std::string::npos) << r.err;
      EXPECT_NE(r.err.find(c.why), std::string::npos) << r.err;
    }
  // A reader that went away ends the program as SIGPIPE ends one, quietly.
  const int status = RunIntoClosedPipe({"registry"}, home.Env());
  ASSERT_TRUE(WIFSIGNALED(status)) << status;
  EXPECT_EQ(WTERMSIG(status), SIGPIPE);
  EXPECT_EQ(Shell("exec \"$0\" \"$@\" >/dev/null", {"registry"}).exitCode, 0);
  // Without standard output a run that prints nothing (an empty list) has lost nothing.
  EXPECT_EQ(Shell("exec \"$0\" \"$@\" >&-", {"net", "list"}).exitCode, 0);
}

TEST_F(Cli, ConflictingOrSurplusArgumentsAreAUsageErrorNamingTheArgument) {
  struct Case {
    std::vector<std::string> args;
    const char* named;
  } cases[] = {
      {{"--demo", "--port", "/dev/ttyUSB7", "search"}, "--port /dev/ttyUSB7"},
      {{"--port", "/dev/ttyUSB7", "--demo", "ports"}, "--demo"},
      {{"--port", "/dev/ttyUSB7", "--port", "/dev/ttyUSB8", "search"}, "/dev/ttyUSB8"},
      {{"--yes", "--no", "ports"}, "--yes and --no"},
      {{"--demo", "search", "extra"}, "extra"},
      {{"--demo", "modes", "--show-all", "extra"}, "extra"},
      {{"ports", "extra"}, "extra"},
      {{"registry", "extra"}, "extra"},
      {{"--demo", "selftest", "a", "b"}, "b"},
      {{"--demo", "select-mode", "01", "02"}, "02"},
  };
  for (const Case& c : cases) {
    std::string all;
    for (const auto& a : c.args) all += a + " ";
    const RunResult r = Run(c.args);
    EXPECT_EQ(r.exitCode, 2) << all << r.err;
    EXPECT_NE(r.err.find(c.named), std::string::npos) << all << r.err;
  }
  EXPECT_EQ(Run({"--yes", "--yes", "ports"}).exitCode, 0) << "the same answer twice is no conflict";
}

}  // namespace
}  // namespace bx
