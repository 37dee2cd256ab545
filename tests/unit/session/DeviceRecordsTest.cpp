// The hardware options of an "SI:" line, the save command, and the self-test log as the
// Test page shows it with its verdict: tables over the reply text alone.
#include <gtest/gtest.h>

#include "session/DeviceRecords.h"

namespace bx::test {
namespace {

TEST(SystemOptionsRecord, PairsSetOnlyWhatTheyGiveInRange) {
  const SystemOptions from{1, 1, 1, true, 0};
  struct Case {
    const char* payload;
    SystemOptions want;
  } cases[] = {
      {"B2W0N2D0L1", {0, 2, 2, false, 1}},
      {"", from},
      {"B9W3", from},                      // out of range: kept
      {"DX", {1, 1, 1, true, 0}},          // any digit but 0 is on
      {"D0B", {1, 1, 1, false, 0}},        // an unpaired last letter is nothing
      {"L7", {1, 1, 1, true, -1}},         // L out of range: not said
      {"W1W2", {2, 1, 1, true, 0}},        // the last pair wins
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.payload);
    EXPECT_EQ(ReadSystemOptions(c.payload, from), c.want);
  }
  EXPECT_EQ(SystemSaveSuffix({2, 1, 0, true, -1}), "SD1W2B1N0");
  EXPECT_EQ(ReadSystemOptions(SystemSaveSuffix({2, 1, 0, true, -1}).substr(1)), (SystemOptions{2, 1, 0, true, -1}));
}

TEST(SelfTestLog, BareCrRewritesTheLineAndTheWordsJudge) {
  struct Case {
    const char* reply;
    std::vector<std::string> lines;
    int errors, warnings;
    const char* verdict;
  } cases[] = {
      {"Step 1 OK\r\nStep 2 OK\r\n", {"Step 1 OK", "Step 2 OK"}, 0, 0, "OK (No Errors)"},
      {"Count 1\rCount 2\rCount 3\r\nDone\r\n", {"Count 3", "Done"}, 0, 0, "OK (No Errors)"},
      {"abc\r\r\nWARNING low\r\n", {"abc", "WARNING low"}, 0, 1, "Warning"},
      {"ERROR a ERRORERROR\r\n", {"ERROR a ERRORERROR"}, 3, 0, "Error"},
      {"ERROR\r\nWARNING\r\nunfinished", {"ERROR", "WARNING", "unfinished"}, 1, 1, "Error/Warning"},
      {"", {}, -1, -1, "Error/Warning"},  // nothing reported has not passed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    const auto lines = TestLogLines(c.reply);
    EXPECT_EQ(lines, c.lines);
    std::string log;
    for (const auto& l : lines) log += l + "\r\n";
    const TestCounts v = CountTestLog(log);
    EXPECT_EQ(v.errors, c.errors);
    EXPECT_EQ(v.warnings, c.warnings);
    EXPECT_EQ(v.text, c.verdict);
    EXPECT_EQ(v.Passed(), c.errors == 0 && c.warnings == 0);
  }
}

}  // namespace
}  // namespace bx::test
