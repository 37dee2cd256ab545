// flash --watch, the flashing station: simulated adapters on pseudo-terminals appear and
// vanish as links in a folder that the --port pattern watches, as udev's by-id names do.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "platform/PtyMaster.h"
#include "sim/SimPty.h"
#include "support/Process.h"
#include "support/TempFile.h"
#include "support/TimeScale.h"

namespace bx::test {
namespace {

namespace fs = std::filesystem;
const std::string kCli = BinaryPath("src/cli/brevantix-cli");

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

sim::Scenario Adapter(const std::string& serial, int promptDelayMs = 100) {
  sim::Scenario s;
  s.serial = serial;
  s.promptDelayMs = promptDelayMs;
  return s;
}

// An image whose header names the version the adapter runs after it.
Bytes StationImage() {
  std::string header = "BXFW station test image, version 3.3.0.1";
  header.resize(80, ' ');
  return header + Pattern(256 * 8, 3);
}

class Station : public ::testing::Test {
 protected:
  void SetUp() override { image_ = folder_.Write("station.rfw", StationImage()); }

  std::string Link(const std::string& name) const { return folder_.Path() + "/adapter-" + name; }
  void Plug(const std::string& name, const std::string& target) { fs::create_symlink(target, Link(name)); }
  void Pull(const std::string& name) { fs::remove(Link(name)); }

  void Start(std::vector<std::string> options) {
    std::vector<std::string> argv = {kCli, "--port", folder_.Path() + "/adapter-*", "flash", image_, "--watch",
                                     "--report", Report(), "--timeout", "2"};
    argv.insert(argv.end(), options.begin(), options.end());
    cli_ = std::make_unique<Background>(argv, home_.Env());
    ReadUntil("watching");
  }
  // Reads lines until the output so far holds `part`; all of it.
  const std::string& ReadUntil(const std::string& part) {
    for (int i = 0; i < 400 && !Has(seen_, part); ++i) {
      const std::string line = cli_->ReadLine(Scaled(8000));
      if (line.empty()) break;
      seen_ += line + "\n";
    }
    EXPECT_TRUE(Has(seen_, part)) << seen_;
    return seen_;
  }
  // SIGINT; the exit code, and the rest of the output in `rest`.
  int Interrupt(std::string& rest) {
    cli_->Signal(SIGINT);
    return cli_->Wait(Scaled(10000), rest);
  }
  std::string Report() const { return folder_.Path() + "/report.jsonl"; }
  std::vector<nlohmann::json> ReportLines() const {
    std::vector<nlohmann::json> lines;
    std::ifstream in(Report());
    for (std::string line; std::getline(in, line);) {
      lines.push_back(nlohmann::json::parse(line, nullptr, false));
      EXPECT_FALSE(lines.back().is_discarded()) << line;
    }
    return lines;
  }
  // Long enough for the station to look at the folder again.
  static void Settle() { std::this_thread::sleep_for(std::chrono::milliseconds(600)); }

  TempHome home_;
  TempFolder folder_;
  std::string image_;
  std::unique_ptr<Background> cli_;
  std::string seen_;
};

// Two adapters plugged one after the other are flashed, each found and ended with its
// versions; the first one plugged in again is known by its serial number and skipped.
// SIGINT ends the station with the summary and exit code 0, the report holding a line
// per adapter.
TEST_F(Station, FlashesEachNewAdapterOnceAndSkipsOneThatComesBack) {
  sim::PtyAdapter a(Adapter("BXST0001")), b(Adapter("BXST0002"));
  ASSERT_TRUE(a.Start());
  ASSERT_TRUE(b.Start());
  Start({});
  Plug("1", a.SlavePath());
  std::string seen = ReadUntil(Link("1") + "\tBXST0001\t");
  EXPECT_TRUE(Has(seen, Link("1") + ": adapter BXST0001, firmware 3.2.1.7\n")) << seen;
  EXPECT_TRUE(Has(seen, Link("1") + "\tBXST0001\t3.2.1.7 -> 3.3.0.1\tOk\t")) << seen;
  Plug("2", b.SlavePath());
  seen = ReadUntil(Link("2") + "\tBXST0002\t");
  EXPECT_TRUE(Has(seen, Link("2") + "\tBXST0002\t3.2.1.7 -> 3.3.0.1\tOk\t")) << seen;
  const Bytes image = StationImage().substr(80);
  for (sim::PtyAdapter* p : {&a, &b}) {
    ASSERT_TRUE(p->adapter().Stored().has_value());
    EXPECT_TRUE(p->adapter().Stored()->image == image);
  }
  Pull("1");
  Settle();
  Plug("1", a.SlavePath());
  seen = ReadUntil(Link("1") + "\tBXST0001\tSkipped");
  EXPECT_TRUE(Has(seen, "Skipped: flashed earlier in this run")) << seen;
  std::string rest;
  EXPECT_EQ(Interrupt(rest), 0) << rest;
  EXPECT_TRUE(Has(rest, "flashed 2, skipped 1, failed 0\n")) << rest;
  const auto lines = ReportLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0]["port"], Link("1"));
  EXPECT_EQ(lines[0]["serial"], "BXST0001");
  EXPECT_EQ(lines[0]["ok"], true);
  EXPECT_EQ(lines[0]["result"], "Ok");
  EXPECT_EQ(lines[0]["before"], "3.2.1.7");
  EXPECT_EQ(lines[0]["after"], "3.3.0.1");
  EXPECT_GT(lines[0]["seconds"].get<double>(), 0.0);
  EXPECT_EQ(lines[0]["ended"].get<std::string>().size(), 20u);  // 2026-12-09T19:30:00Z
  EXPECT_TRUE(Has(lines[0]["log"].dump(), "Updating firmware : Ok")) << lines[0]["log"];
  EXPECT_EQ(lines[2]["skipped"], true);
  EXPECT_EQ(lines[2]["ok"], false);
}

// --again flashes an adapter each time it is plugged in; --only-new leaves the one that
// was there at the start alone.
TEST_F(Station, AgainFlashesItAgainAndOnlyNewLeavesThePresentOnesAlone) {
  sim::PtyAdapter a(Adapter("BXST0003")), present(Adapter("BXST0004"));
  ASSERT_TRUE(a.Start());
  ASSERT_TRUE(present.Start());
  Plug("0", present.SlavePath());
  Start({"--again", "--only-new"});
  Plug("1", a.SlavePath());
  ReadUntil(Link("1") + "\tBXST0003\t3.2.1.7 -> 3.3.0.1\tOk");
  Pull("1");
  Settle();
  Plug("1", a.SlavePath());
  ReadUntil(Link("1") + "\tBXST0003\t3.3.0.1 -> 3.3.0.1\tOk");
  std::string rest;
  EXPECT_EQ(Interrupt(rest), 0) << rest;
  EXPECT_TRUE(Has(rest, "flashed 2, skipped 0, failed 0\n")) << rest;
  EXPECT_FALSE(present.adapter().Stored().has_value());
  EXPECT_EQ(ReportLines().size(), 2u);
}

// A bootloader that never prompts fails with its cause while another adapter is flashed;
// a link that appears and vanishes before its search has ended is reported, and the
// station goes on. Exit code 1: one adapter failed.
TEST_F(Station, ASilentBootloaderFailsAloneAndAVanishingPortIsReported) {
  sim::PtyAdapter good(Adapter("BXST0005")), silent(Adapter("BXST0006", -1));
  ASSERT_TRUE(good.Start());
  ASSERT_TRUE(silent.Start());
  auto nobody = PtyMaster::Open();  // a terminal that nothing answers on
  ASSERT_TRUE(nobody);
  Start({});
  Plug("9", nobody->SlavePath());
  Settle();
  Pull("9");
  ReadUntil(Link("9") + ": no adapter");
  Plug("1", silent.SlavePath());
  Plug("2", good.SlavePath());
  ReadUntil(Link("1") + "\tBXST0006\t");
  const std::string seen = ReadUntil(Link("2") + "\tBXST0005\t");
  EXPECT_TRUE(Has(seen, Link("1") + "\tBXST0006\t3.2.1.7 -> -\tFailed: no progress for 2 s\t")) << seen;
  EXPECT_TRUE(Has(seen, Link("2") + "\tBXST0005\t3.2.1.7 -> 3.3.0.1\tOk\t")) << seen;
  std::string rest;
  EXPECT_EQ(Interrupt(rest), 1) << rest;
  EXPECT_TRUE(Has(rest, "flashed 1, skipped 0, failed 1\n")) << rest;
  const auto lines = ReportLines();
  ASSERT_EQ(lines.size(), 2u);
  for (const auto& line : lines) {
    EXPECT_EQ(line["ok"], line["serial"] == "BXST0005") << line;
    if (line["serial"] == "BXST0006") {
      EXPECT_EQ(line["result"], "no progress for 2 s");
    }
  }
}

// SIGINT in the middle of an upload: the upload is stopped, and its adapter's line is in
// the report, whole, when the station has ended.
TEST_F(Station, InterruptedUploadIsStoppedAndReported) {
  sim::Scenario slow = Adapter("BXST0007");
  slow.byteRate = 2000;
  sim::PtyAdapter a(slow);
  ASSERT_TRUE(a.Start());
  Start({});
  Plug("1", a.SlavePath());
  ReadUntil(Link("1") + ": adapter BXST0007");
  std::this_thread::sleep_for(std::chrono::milliseconds(800));  // the upload has begun
  std::string rest;
  EXPECT_EQ(Interrupt(rest), 1) << rest;
  EXPECT_TRUE(Has(rest, Link("1") + "\tBXST0007\t3.2.1.7 -> -\tFailed: ")) << rest;
  EXPECT_TRUE(Has(rest, "flashed 0, skipped 0, failed 1\n")) << rest;
  const auto lines = ReportLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0]["serial"], "BXST0007");
  EXPECT_FALSE(a.adapter().Stored().has_value());
}

TEST(StationCli, UsageErrors) {
  TempHome home;
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"flash", "f.rfw", "--watch", "--no-search"},
           {"flash", "f.rfw", "--watch", "--all"},
           {"flash", "f.rfw", "--again"},
           {"flash", "f.rfw", "--report", "r.jsonl"},
           {"flash", "f.rfw", "--watch", "--report"},
       }) {
    std::vector<std::string> argv = {kCli};
    argv.insert(argv.end(), args.begin(), args.end());
    const RunResult r = RunProgram(argv, home.Env());
    EXPECT_EQ(r.exitCode, 2) << args.back() << r.err;
  }
}

}  // namespace
}  // namespace bx::test
