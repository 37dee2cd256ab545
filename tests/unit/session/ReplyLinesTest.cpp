// The reply parsers on reply lines alone: what each line is, what a whole reply leaves
// in the identity record, and which mode the "Selected Mode: " lines leave selected.
#include <gtest/gtest.h>

#include "session/AdapterSession.h"
#include "session/ReplyLines.h"

namespace bx {
namespace {

TEST(ReplyLines, EachLineIsReadAsItsKey) {
  const struct {
    const char* line;
    ReplyKey key;
    const char* value;
    bool used;
  } cases[] = {
      {"SN:12345", ReplyKey::Serial, "12345", true},
      {"sn:999", ReplyKey::Other, "", false},  // keys are upper case
      {"FW:2.1", ReplyKey::Firmware, "2.1", true},
      {"BW:", ReplyKey::Bootware, "", true},  // an empty bootware still tells a bootloader
      {"HW:R3", ReplyKey::Hardware, "R3", true},
      {"ID:SIG", ReplyKey::Signature, "SIG", true},
      {"CR:(c) x", ReplyKey::Rights, "(c) x", true},
      {"USB-Link (c)", ReplyKey::Rights, "USB-Link (c)", true},  // the whole line
      {"WW:w1", ReplyKey::WiFiVersion, "w1", true},
      {"WWS:w2", ReplyKey::WiFiVersion, "w2", true},
      {"SI:B1W2", ReplyKey::SystemOptions, "B1W2", true},
      {"WS:ALIAS=x", ReplyKey::WiFiRecord, "ALIAS=x", true},
      {"AP1:6,-58", ReplyKey::AccessPoint, "6,-58", true},
      {"APX", ReplyKey::Other, "", false},
      {"PT:1.7", ReplyKey::PassThru, "1.7", true},
      {"PI:1", ReplyKey::Flag, "1", true},
      {"UA:0", ReplyKey::Flag, "0", true},
      {"UB:12.1V", ReplyKey::Battery, "12.1V", true},
      {"Selected Mode: 01 - OBD", ReplyKey::SelectedMode, "01 - OBD", true},
      {"Selected Mode:", ReplyKey::Other, "", false},
      {"01 - OBD", ReplyKey::Mode, "OBD", true},
      {"07 * secret", ReplyKey::Mode, "secret", false},  // listed only with a '-' marker
      {"000 - ", ReplyKey::Mode, "", true},
      {"hello", ReplyKey::Other, "", false},
  };
  for (const auto& c : cases) {
    const ReplyLine r = ReadReplyLine(c.line);
    EXPECT_EQ(r.key, c.key) << c.line;
    EXPECT_EQ(r.value, c.value) << c.line;
    EXPECT_EQ(r.Used(), c.used) << c.line;
  }
  // Without a mode list a mode line is a line like any other.
  EXPECT_EQ(ReadReplyLine("01 - OBD", false).key, ReplyKey::Other);
  EXPECT_EQ(ReadReplyLine("AP1:x").third, '1');
  EXPECT_EQ(ReadReplyLine("ABC * x").modeId, "ABC");
}

TEST(ReplyLines, AWholeReplyFillsTheRecordUpToItsEnd) {
  const IdentityRecord r = ReadIdentity(CrLfLines(
      "SN:1\r\nSN:2\r\nFW:3\r\nUB:\r\n01 - OBD\r\n02 _ X\r\nSelected Mode: 01 - OBD\r\nPI:1\r\n-----\r\nHW:late\r\n"));
  EXPECT_EQ(r.serial, "2");  // the last line of a key stands
  EXPECT_EQ(r.firmware, "3");
  EXPECT_TRUE(r.Identified());
  ASSERT_TRUE(r.battery.has_value());  // read, and empty: no battery to show
  EXPECT_EQ(*r.battery, "");
  ASSERT_EQ(r.modes.size(), 1u);
  EXPECT_EQ(r.modes[0].id, "01");
  EXPECT_EQ(r.modes[0].line, "01 - OBD");
  EXPECT_EQ(r.selectedMode, (std::vector<std::string>{"01 - OBD"}));
  EXPECT_EQ(r.flags, (std::vector<std::string>{"PI:1"}));
  EXPECT_EQ(r.hardware, "");  // after the "-" line: no part of the record
  EXPECT_FALSE(r.bootloader);
  EXPECT_FALSE(ReadIdentity(CrLfLines("\r\nSN:1")).Identified());  // an empty first line ends it
}

TEST(ReplyLines, LinesAreSplitAtCrLfOnly) {
  EXPECT_EQ(CrLfLines(""), std::vector<std::string>{});
  EXPECT_EQ(CrLfLines("\r\n"), std::vector<std::string>{""});
  EXPECT_EQ(CrLfLines("a\rb\nc\r\nd"), (std::vector<std::string>{"a\rb\nc", "d"}));
  EXPECT_EQ(CrLfLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
}

TEST(ReplyLines, TheSelectedModeIsTheLastOneNamed) {
  const std::vector<std::string> listed = {"01", "02", "000"};
  const struct {
    const char* name;
    std::vector<std::string> texts;
    int idLength;
    const char* lastId;  // nullptr: none
    const char* markedId;
    std::vector<std::string> named;
  } cases[] = {
      {"last wins", {"02 - CAN", "01 - OBD"}, 2, "01", "01", {"02", "01"}},
      {"unlisted last", {"01 - OBD", "09 - X"}, 2, "09", "01", {"01"}},
      {"whole ID", {"000 - Boot"}, 2, "000", "000", {"000"}},
      {"no ID: the list's length", {"02"}, 2, "02", "02", {"02"}},
      {"none", {}, 2, nullptr, nullptr, {}},
  };
  for (const auto& c : cases) {
    const ModeSelection s = ReadModeSelection(c.texts, listed, c.idLength);
    EXPECT_EQ(s.lastId.value_or("(none)"), c.lastId ? c.lastId : "(none)") << c.name;
    EXPECT_EQ(s.markedId.value_or("(none)"), c.markedId ? c.markedId : "(none)") << c.name;
    EXPECT_EQ(s.namedIds, c.named) << c.name;
  }
  EXPECT_EQ(SelectedModeTexts(CrLfLines("x\r\nSelected Mode: 01\r\n-\r\nSelected Mode: 02")),
            (std::vector<std::string>{"01", "02"}));
}

TEST(AdapterSessionTest, AnOperationEndsOnceWithItsResult) {
  AdapterSession s;
  EXPECT_FALSE(s.Busy());
  s.End(true);  // nothing runs: nothing to end
  EXPECT_FALSE(s.LastResult().has_value());
  s.Begin(SessionPhase::Uploading, SessionPhase::Searching);
  s.EnterPhase(SessionPhase::Uploading);
  EXPECT_EQ(s.Operation(), SessionPhase::Uploading);
  s.End(false, "Error : no answer");
  s.End(true);  // a second ending changes nothing
  ASSERT_TRUE(s.LastResult().has_value());
  EXPECT_FALSE(s.LastResult()->ok);
  EXPECT_EQ(s.LastResult()->operation, SessionPhase::Uploading);
  EXPECT_EQ(s.LastResult()->cause, "Error : no answer");
  EXPECT_FALSE(s.Busy());
}

}  // namespace
}  // namespace bx
