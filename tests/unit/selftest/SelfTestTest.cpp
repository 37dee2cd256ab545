#include <gtest/gtest.h>

#include "selftest/SelfTest.h"
#include "session/DeviceRecords.h"
#include "support/AdapterWorld.h"

namespace bx {
namespace {

using test::AdapterWorld;
using test::Frame;

const std::string kT = "!dulMAR_SC_T";

TEST(TestVerdict, CountsAndColours) {
  struct Case {
    std::string log;
    int e, w;
    std::string text;
    uint32_t fill;
  };
  const Case cases[] = {
      {"a ERROR\r\nb ERROR\r\nok\r\n", 2, 0, "Error", ui::clr::Red},
      {"all fine\r\n", 0, 0, "OK (No Errors)", ui::clr::Lime},
      {"", -1, -1, "Error/Warning", ui::clr::Orange},
      {"\r\n\r\n", -1, -1, "Error/Warning", ui::clr::Orange},              // only line ends: nothing reported
      {"error warning Error\r\n", 0, 0, "OK (No Errors)", ui::clr::Lime},  // case-sensitive
      {"WARNING\r\n", 0, 1, "Warning", ui::clr::Yellow},
      {"ERRORERROR WARNING\r\n", 2, 1, "Error/Warning", ui::clr::Orange},
  };
  for (const Case& c : cases) {
    const TestVerdict v = JudgeTestLog(c.log);
    EXPECT_EQ(v.errors, c.e) << c.log;
    EXPECT_EQ(v.warnings, c.w) << c.log;
    EXPECT_EQ(v.text, c.text) << c.log;
    EXPECT_EQ(v.fill, c.fill) << c.log;
  }
}

struct TestWorld : AdapterWorld {
  TfrmMain& f;
  TestWorld() : f(StartWithPort()) {
    loop.Advance(200);  // tmrMemo's first tick after start-up has passed
    // The Test tab is offered once an identity reply carried "BW:".
    replies["!dulMAR_SC_I"] = Frame({"SN:1", "BW:1.0"});
    f.btSearch.Click();
    EXPECT_TRUE(RunExchange());
    EXPECT_TRUE(f.tsTest.TabVisible());
    commands.clear();
  }
  void RunWith(const Bytes& reply) {
    replies[kT] = reply;
    f.btRunTest.Click();
    ASSERT_TRUE(RunExchange());
  }
};

TEST(SelfTest, RunShowsCountsVerdictAndResultLine) {
  TestWorld w;
  TfrmMain& f = w.f;
  w.RunWith(Frame({"Test 1 ERROR", "Test 2 ERROR", "Test 3 passed"}));
  EXPECT_EQ(w.commands, std::vector<Bytes>{kT});
  EXPECT_EQ(f.edTest_Result.Text(), "2/0");
  EXPECT_EQ(f.shpTest_Result.BrushColor(), ui::clr::Red);
  const auto lines = f.memLogTest.Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "Test 1 ERROR");
  EXPECT_EQ(lines.back(), "RESULT : Error");
  EXPECT_TRUE(f.btCopyTest.Enabled());
  EXPECT_TRUE(f.btRunTest.Focused());
  EXPECT_TRUE(w.dialogs.messages.empty());
  EXPECT_FALSE(w.link.IsOpen());

  w.RunWith(Frame({}));  // the adapter answers with an empty log
  EXPECT_EQ(f.edTest_Result.Text(), "-1/-1");
  EXPECT_EQ(f.memLogTest.Lines().back(), "RESULT : Error/Warning");
}

TEST(SelfTest, HistoryCirclesKeepThePreviousThreeVerdicts) {
  TestWorld w;
  TfrmMain& f = w.f;
  w.RunWith(Frame({"fine"}));     // lime
  w.RunWith(Frame({"ERROR"}));    // red
  w.RunWith(Frame({"WARNING"}));  // yellow
  EXPECT_EQ(f.shpTest_Result.BrushColor(), ui::clr::Yellow);
  EXPECT_EQ(f.shpTest_Result_1.BrushColor(), ui::clr::Red);
  EXPECT_EQ(f.shpTest_Result_2.BrushColor(), ui::clr::Lime);
  EXPECT_TRUE(f.shpTest_Result_1.Visible());
  EXPECT_TRUE(f.shpTest_Result_2.Visible());
  EXPECT_FALSE(f.shpTest_Result_3.Visible());
  w.RunWith(Frame({"ERROR WARNING"}));  // orange
  EXPECT_EQ(f.shpTest_Result.BrushColor(), ui::clr::Orange);
  EXPECT_EQ(f.shpTest_Result_3.BrushColor(), ui::clr::Lime);
  EXPECT_TRUE(f.shpTest_Result_3.Visible());

  // A run without reply: no verdict, the log keeps what came, and the circle of the
  // run before still moves into the history.
  w.replies.erase(kT);
  f.btRunTest.Click();
  w.loop.Advance(30);
  w.link.Receive("\r\npartial", false);
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_EQ(f.memLogTest.Text(), "partial");
  EXPECT_EQ(f.edTest_Result.Text(), "");
  EXPECT_EQ(f.shpTest_Result.BrushColor(), ui::clr::ScrollBar);
  EXPECT_EQ(f.shpTest_Result_1.BrushColor(), ui::clr::Orange);
}

// Feeds the reply in chunks, one timer round or more apart, as a slow adapter would.
void Feed(AdapterWorld& w, const std::vector<Bytes>& chunks) {
  for (const Bytes& c : chunks) {
    w.link.Receive(c, false);
    w.loop.Advance(30);
  }
}

TEST(SelfTest, BareCrCounterChangesOneLineInPlace) {
  TestWorld w;
  TfrmMain& f = w.f;
  f.btRunTest.Click();
  w.loop.Advance(30);
  Feed(w, {"\r\nStart\r\n", "10%\r"});
  EXPECT_EQ(f.memLogTest.Lines(), (std::vector<std::string>{"Start", "10%"}));
  Feed(w, {"20%\r"});
  EXPECT_EQ(f.memLogTest.Lines(), (std::vector<std::string>{"Start", "20%"}));
  EXPECT_TRUE(f.memLogTest.Updating());  // repaints wait for tmrMemo
  Feed(w, {"30%"});
  EXPECT_EQ(f.memLogTest.Lines(), (std::vector<std::string>{"Start", "30%"}));
  w.loop.Advance(150);
  EXPECT_FALSE(f.memLogTest.Updating());
  EXPECT_EQ(f.memLogTest.SelStart(), static_cast<int>(f.memLogTest.Text().size()));
  Feed(w, {"\r40%\r\n", "Done\r\n\r\n"});
  ASSERT_TRUE(w.RunExchange());
  const auto lines = f.memLogTest.Lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "Start");
  EXPECT_EQ(lines[1], "40%");
  EXPECT_EQ(lines[2], "Done");
  EXPECT_EQ(lines.back(), "RESULT : OK (No Errors)");
  w.loop.Advance(200);
  EXPECT_FALSE(f.memLogTest.Updating());
  EXPECT_FALSE(f.tmrMemo.Enabled());
}

TEST(SelfTest, CounterOnTheFirstLineAndCrLfSplitAcrossReads) {
  TestWorld w;
  TfrmMain& f = w.f;
  f.btRunTest.Click();
  w.loop.Advance(30);
  Feed(w, {"\r\n1/3\r2/3\r3/3", "\r", "\nnext line\r", "\nlast\r\n\r\n"});
  ASSERT_TRUE(w.RunExchange());
  const auto lines = f.memLogTest.Lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "3/3");
  EXPECT_EQ(lines[1], "next line");
  EXPECT_EQ(lines[2], "last");
  // The pane that was suspended repaints even though the exchange ended first.
  w.loop.Advance(200);
  EXPECT_FALSE(f.memLogTest.Updating());
}

// The verdict and the identity are read from the reply; the pane shows the reply as it
// arrives. However a reply is cut into reads, the pane's lines are the lines judged.
TEST(SelfTest, ThePaneShowsTheLinesTheVerdictJudges) {
  struct Case {
    std::vector<Bytes> chunks;
    const char* result;
  };
  const Case cases[] = {
      {{"\r\nStep 1 OK\r\nStep 2 ERROR\r\n\r\n"}, "1/0"},
      {{"\r\nCount 1\rCount 2\r", "Count 3\r\nDone WARNING\r\n\r\n"}, "0/1"},
      {{"\r\nERROR\rfine\r\n", "\r\n"}, "0/0"},  // overwritten by a bare CR: not counted
      {{"\r\nabc\r", "\r\nWARNING\r", "\n\r\n"}, "0/1"},
      {{"\r\nERR", "OR x\r", "\rWARNING y\r\n\r\n"}, "0/1"},
      {{"\r\n1/3\r2/3\r3/3", "\r", "\nSN:TEST7\r\n\r\n"}, "0/0"},
      {{"\r\n\r\n"}, "-1/-1"},
  };
  TestWorld w;
  TfrmMain& f = w.f;
  for (const Case& c : cases) {
    Bytes reply;
    for (const Bytes& chunk : c.chunks) reply += chunk;
    SCOPED_TRACE(reply);
    f.btRunTest.Click();
    w.loop.Advance(30);
    Feed(w, c.chunks);
    ASSERT_TRUE(w.RunExchange());
    std::vector<std::string> shown = f.memLogTest.Lines();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().rfind("RESULT : ", 0), 0u);
    shown.pop_back();
    while (!shown.empty() && shown.back().empty()) shown.pop_back();
    // The frame's body: after its opening CR LF, up to the CR LF CR LF that ends it.
    const std::size_t end = reply.find("\r\n\r\n");
    std::vector<std::string> judged = TestLogLines((end == 0 ? Bytes() : reply.substr(2, end - 2)) + "\r\n");
    while (!judged.empty() && judged.back().empty()) judged.pop_back();
    EXPECT_EQ(shown, judged);
    EXPECT_EQ(f.edTest_Result.Text(), c.result);
  }
  EXPECT_EQ(f.edSerial.Text(), "TEST7") << "the identity lines of a test log fill the identity";
}

TEST(SelfTest, CtrlPTogglesTheParameterFieldAndEnterRuns) {
  TestWorld w;
  TfrmMain& f = w.f;
  ui::KeyEvent ctrlP{ui::vk::P, true, false, false};
  f.btRunTest.KeyDown(ctrlP);
  EXPECT_EQ(ctrlP.key, 0);
  EXPECT_TRUE(f.edTest_Params.Visible());
  EXPECT_TRUE(f.edTest_Params.Focused());
  f.edTest_Params.UserType("x9");
  ui::KeyEvent enter{ui::vk::Return, false, false, false};
  f.edTest_Params.KeyDown(enter);
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(w.commands.back(), kT + "x9");
  EXPECT_TRUE(f.edTest_Params.Focused());

  ui::KeyEvent again{ui::vk::P, true, false, false};
  f.edTest_Params.KeyDown(again);
  EXPECT_FALSE(f.edTest_Params.Visible());
  EXPECT_EQ(f.edTest_Params.Text(), "");
  EXPECT_TRUE(f.btRunTest.Focused());
  ui::KeyEvent enterOnButton{ui::vk::Return, false, false, false};
  f.btRunTest.KeyDown(enterOnButton);
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(w.commands.back(), kT);
}

}  // namespace
}  // namespace bx
