// Every adapter command's reply, in virtual time.
#include <gtest/gtest.h>

#include "VirtualLine.h"
#include "sim/DriverFile.h"
#include "sim/Percent.h"

namespace bx::sim::test {
namespace {

bool HasLine(const std::vector<std::string>& lines, const std::string& l) {
  return std::find(lines.begin(), lines.end(), l) != lines.end();
}

TEST(Commands, IdentityFrameCarriesEveryKeyAllMarkersAndTheSelectedMode) {
  VirtualLine line;
  line.Command("I", Ms(5));
  line.RunUntil(Ms(100));
  ASSERT_EQ(line.out.size(), 1u);
  EXPECT_EQ(line.FirstAt(), Ms(5)) << "\"I\" cannot grow: it is answered without waiting for silence";
  const auto lines = FrameLines(line.All());
  for (const char* key : {"SN:", "FW:", "BW:", "HW:", "ID:", "CR:", "PT:", "UB:", "WW:", "SI:"}) {
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return StartsWith(l, key); }))
        << key;
  }
  for (const char* marker : {" - ", " _ ", " + ", " * "})
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return Contains(l, marker); }))
        << marker;
  EXPECT_TRUE(HasLine(lines, "000 - Default Mode"));
  EXPECT_EQ(lines.back(), "Selected Mode: 01 - J2534 Pass-Thru");
  for (const auto& l : lines) EXPECT_FALSE(l.empty() || l[0] == '-') << "would end the program's parse early";
}

TEST(Commands, IdentityFollowsTheScenario) {
  Scenario s;
  ScenarioLoader load(s);
  std::string err;
  ASSERT_TRUE(load.ParseText("serial=12345678\nomit=UB,WW\nextra=PI:ON\nmode=7 - Seven\nselected=\n", err)) << err;
  VirtualLine line(s);
  line.Command("I", Ms(1));
  line.RunUntil(Ms(50));
  const auto lines = FrameLines(line.All());
  EXPECT_EQ(lines.front(), "SN:12345678");
  EXPECT_TRUE(HasLine(lines, "PI:ON"));
  EXPECT_TRUE(HasLine(lines, "7 - Seven"));
  EXPECT_FALSE(HasLine(lines, "000 - Default Mode")) << "the first mode= replaces the default list";
  for (const auto& l : lines) {
    EXPECT_FALSE(StartsWith(l, "UB:") || StartsWith(l, "WW:") || StartsWith(l, "Selected Mode: ")) << l;
  }
}

TEST(Commands, ModeSwitchPersistsAndUnknownModeIsRefused) {
  VirtualLine line;
  line.Command("M02", Ms(1));
  line.RunUntil(Ms(50));
  EXPECT_EQ(line.FirstAt(), Ms(1)) << "no listed mode ID begins with 02, so M02 is complete";
  EXPECT_EQ(FrameLines(line.Take()).back(), "Selected Mode: 02 - OBD Command Emulation");
  line.Command("M04", Ms(100));  // listed with " _ ": not a mode of this unit
  line.RunUntil(Ms(200));
  const auto lines = FrameLines(line.Take());
  EXPECT_EQ(lines.front(), "ERROR: mode 04 is not available");
  EXPECT_EQ(lines.back(), "Selected Mode: 02 - OBD Command Emulation");
  // "0" may still grow into "000": the command ends by silence.
  line.Command("M0", Ms(300));
  line.RunUntil(Ms(310));
  EXPECT_TRUE(line.out.empty());
  line.RunUntil(Ms(400));
  EXPECT_EQ(line.FirstAt(), Ms(320));
  EXPECT_EQ(FrameLines(line.Take()).front(), "ERROR: mode 0 is not available");
}

TEST(Commands, SystemOptionsAreSetReadBackAndValidated) {
  VirtualLine line;
  line.Command("SD1W1B2N0", Ms(0));
  line.RunUntil(Ms(100));
  EXPECT_EQ(line.FirstAt(), Ms(20)) << "SD ends by the command gap (its digits might go on)";
  EXPECT_EQ(FrameLines(line.Take()), std::vector<std::string>{"SI:B2W1N0D1L0"});
  line.Command("S", Ms(200));
  line.RunUntil(Ms(300));
  EXPECT_EQ(FrameLines(line.Take()), (std::vector<std::string>{"SI:B2W1N0D1L0", "UB:12.6V"}));
  line.Command("SD1W7B0N0", Ms(400));
  line.RunUntil(Ms(500));
  EXPECT_EQ(FrameLines(line.Take()), (std::vector<std::string>{"ERROR: system option out of range", "SI:B2W1N0D1L0"}));
  line.Command("SDxx", Ms(600));
  line.RunUntil(Ms(700));
  EXPECT_EQ(FrameLines(line.Take()).front(), "ERROR: malformed system options");
}

TEST(Commands, TheNextPrefixEndsACommandAndSplitReadsJoin) {
  VirtualLine line;
  line.Send("!dulMAR_SC_S!dulMA", Ms(0));
  line.Send("R_SC_I", Ms(1));
  line.RunUntil(Ms(100));
  ASSERT_EQ(line.out.size(), 2u);
  EXPECT_EQ(line.out[0].at, Ms(0)) << "S ended by the next prefix, not by silence";
  EXPECT_TRUE(StartsWith(line.out[0].bytes, "\r\nSI:"));
  EXPECT_EQ(line.out[1].at, Ms(1));
  EXPECT_TRUE(StartsWith(line.out[1].bytes, "\r\nSN:"));
  // Noise before a command and a broken prefix are dropped.
  line.Take();
  line.Send("\r\nxx!dulMAR_Q!dulMAR_SC_D", Ms(200));
  line.RunUntil(Ms(300));
  EXPECT_TRUE(StartsWith(line.All(), "[BEGIN]MZ"));
}

TEST(Commands, WifiReadSaveAndFactoryReset) {
  VirtualLine line;
  line.Command("WC", Ms(0));
  line.RunUntil(Ms(100));
  auto lines = FrameLines(line.Take());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(StartsWith(lines[0], "WS:WSBID=BX-WSB-0017&ALIAS=Brevantix&"));
  EXPECT_FALSE(Contains(lines[0], " ")) << "a space would end the program's pair scan";
  line.Command("WC?ALIAS=My%20Car&APCH=11&APMAC=00&FOO=1&APAUT=9", Ms(200));
  line.RunUntil(Ms(300));
  lines = FrameLines(line.Take());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "ERROR: APMAC is read-only");
  EXPECT_EQ(lines[1], "ERROR: FOO is not a setting");
  EXPECT_EQ(lines[2], "ERROR: APAUT security must be 0 to 4");
  Pairs pairs;
  ASSERT_TRUE(ParsePairs(lines[3].substr(3), pairs));
  EXPECT_EQ(pairs[1], (std::pair<std::string, std::string>("ALIAS", "My Car")));
  EXPECT_TRUE(Contains(lines[3], "ALIAS=My%20Car&")) << "values go out percent-encoded";
  EXPECT_TRUE(Contains(lines[3], "&APCH=11&APAUT=3&"));
  line.Command("WE", Ms(400));
  line.RunUntil(Ms(600));
  EXPECT_TRUE(line.out.empty()) << "the factory reset takes wifi_op_ms";
  line.RunUntil(Ms(800));
  EXPECT_EQ(line.FirstAt(), Ms(700));
  EXPECT_EQ(FrameLines(line.Take()), std::vector<std::string>{"WiFi chipset factory reset: OK"});
  line.Command("WC", Ms(900));
  line.RunUntil(Ms(1000));
  EXPECT_TRUE(Contains(line.Take(), "ALIAS=Brevantix&"));
  line.Command("WC?ALIAS=%G1", Ms(1100));
  line.RunUntil(Ms(1200));
  EXPECT_EQ(FrameLines(line.Take()).front(), "ERROR: malformed WiFi settings");
}

TEST(Commands, ScanUpdateAndUnknown) {
  VirtualLine line;
  line.Command("WS", Ms(0));
  line.RunUntil(Ms(1000));
  EXPECT_EQ(line.FirstAt(), Ms(400));
  auto lines = FrameLines(line.Take());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "APs:3");
  EXPECT_EQ(lines[1], "AP1:6,-58,3,A0:B1:C2:D3:E4:F5,\"Garage\"");
  for (std::size_t i = 1; i < lines.size(); ++i) EXPECT_TRUE(lines[i][2] != 's' && lines[i][3] == ':');
  line.Command("WU", Ms(2000));
  line.RunUntil(Ms(3000));
  EXPECT_EQ(FrameLines(line.Take()), (std::vector<std::string>{"WiFi chipset update: OK", "WW:1.7.4"}));
  line.Command("X", Ms(4000));
  line.RunUntil(Ms(4100));
  EXPECT_EQ(FrameLines(line.Take()), std::vector<std::string>{"ERROR: unknown command X"});
}

TEST(Commands, SelfTestStreamsWithAProgressCounterAndCountedWords) {
  Scenario s;
  s.testDurationMs = 1000;
  s.testSteps = 10;
  s.testErrors = 2;
  s.testWarnings = 3;
  VirtualLine line(s);
  line.Command("Tfast", Ms(0));
  line.RunUntil(Ms(2000));
  EXPECT_EQ(line.FirstAt(), Ms(20)) << "parameters end by silence";
  EXPECT_EQ(line.LastAt(), Ms(1020));
  EXPECT_GE(line.out.size(), 10u) << "the log arrives piece by piece";
  const std::string log = line.All();
  EXPECT_EQ(CountOccurrences(log, "ERROR"), 2);
  EXPECT_EQ(CountOccurrences(log, "WARNING"), 3);
  EXPECT_TRUE(Contains(log, "Parameters: fast\r\n"));
  EXPECT_TRUE(Contains(log, "%\rTesting... ")) << "bare CR rewrites the counter in place";
  EXPECT_EQ(log.find("\r\n\r\n"), log.size() - 4) << "the frame ends only once";
  EXPECT_FALSE(Contains(log, "\r\r")) << Printable(log);
  FrameBody(log);
}

TEST(Commands, ResetAnswersNothingAndStopsARunningTest) {
  VirtualLine line;
  line.Command("T", Ms(0));
  line.RunUntil(Ms(300));
  EXPECT_FALSE(line.out.empty());
  line.Take();
  line.Command("R", Ms(300));
  line.RunUntil(Ms(5000));
  EXPECT_TRUE(line.out.empty());
}

TEST(Commands, DriverInBothFormsCarriesTheVersionMarker) {
  VirtualLine mz;
  mz.Command("D", Ms(0));
  mz.RunUntil(Ms(10));
  std::string r = mz.All();
  ASSERT_TRUE(StartsWith(r, "[BEGIN]MZ") && EndsWith(r, "[END]"));
  const std::string lib = r.substr(7, r.size() - 12);
  EXPECT_EQ(lib.size(), 4096u);
  const auto at = lib.find("tCdV");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(lib.substr(at + 4, 7), std::string("4.4.12\0", 7));
  EXPECT_EQ(lib.find("tCdV", at + 1), std::string::npos);

  Scenario s;
  s.driverForm = "PK";
  s.driverVersion = "9.9";
  VirtualLine pk(s);
  pk.Command("D", Ms(0));
  pk.RunUntil(Ms(10));
  r = pk.All();
  ASSERT_TRUE(StartsWith(r, "[BEGIN]PK\x03\x04") && EndsWith(r, "[END]"));
  const std::string zip = r.substr(7, r.size() - 12);
  // Local header: name at 30, stored data right after; CRC at 14, sizes at 18 and 22.
  const std::size_t nameLen = LE16(zip, 26);
  EXPECT_EQ(zip.substr(30, nameLen), kDriverFileName);
  EXPECT_EQ(LE16(zip, 8), 0) << "stored";
  const std::size_t size = LE16(zip, 22) | std::size_t(LE16(zip, 24)) << 16;
  const std::string inner = zip.substr(30 + nameLen, size);
  EXPECT_TRUE(StartsWith(inner, "MZ"));
  EXPECT_EQ(Crc32(inner), uint32_t(LE16(zip, 14) | uint32_t(LE16(zip, 16)) << 16));
  EXPECT_TRUE(Contains(inner, std::string("tCdV9.9\0", 8)));
  EXPECT_EQ(zip.substr(zip.size() - 22, 4), "PK\x05\x06");
}

TEST(Commands, DriverAnswerCanBeFramedRaw) {
  const std::string file = "MZ" + std::string(62, 'x');
  struct Case {
    const char* name;
    std::vector<std::string> settings;
    std::string answer;
  } cases[] = {
      {"Whole", {}, "[BEGIN]" + file + "[END]"},
      {"BytesBeforeTheBegin", {"driver_prefix=\\r\\nBUSY"}, "\r\nBUSY[BEGIN]" + file + "[END]"},
      {"NoEnd", {"driver_end=0"}, "[BEGIN]" + file},
      {"CutShort", {"driver_cut=20"}, ("[BEGIN]" + file).substr(0, 20)},
      {"CutBeyondTheEnd", {"driver_cut=1000"}, "[BEGIN]" + file + "[END]"},
  };
  for (const Case& c : cases) {
    Scenario s;
    s.driverFile = file;
    ScenarioLoader load(s);
    std::string error;
    for (const auto& setting : c.settings) ASSERT_TRUE(load.SetAssignment(setting, error)) << c.name << error;
    VirtualLine line(s);
    line.Command("D", Ms(0));
    line.RunUntil(Ms(10));
    EXPECT_EQ(line.All(), c.answer) << c.name;
  }
}

TEST(Percent, EncodesLikeTheProgramAndDecodesPlusAndEscapes) {
  EXPECT_EQ(PercentEncode("My Car+1/ü_-."), "My%20Car%2B1%2F%C3%BC_-.");
  std::string d;
  ASSERT_TRUE(PercentDecode("a+b%2fc%41", d));
  EXPECT_EQ(d, "a b/cA");
  EXPECT_FALSE(PercentDecode("%4", d));
  EXPECT_FALSE(PercentDecode("%zz", d));
  Pairs p;
  ASSERT_TRUE(ParsePairs("A=1&B=&C=x%3Dy", p));
  EXPECT_EQ(p.size(), 3u);
  EXPECT_EQ(p[2].second, "x=y");
  EXPECT_FALSE(ParsePairs("A=1&B", p));
}

}  // namespace
}  // namespace bx::sim::test
