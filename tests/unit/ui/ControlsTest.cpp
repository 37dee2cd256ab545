#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/ScopedGlobals.h"
#include "ui/Controls.h"
#include "ui/EventLoop.h"

namespace bx::ui {
namespace {

TEST(Controls, TextChangeFiresOnlyOnRealChange) {
  TEdit e("e", nullptr);
  int changes = 0;
  e.OnChange = [&] { ++changes; };
  e.SetText("a");
  e.SetText("a");
  e.SetText("");
  EXPECT_EQ(changes, 2);
}

TEST(Controls, CheckAndRadioGroupClickFromCodeButComboDoesNot) {
  TCheckBox cb("cb", nullptr);
  TRadioGroup rg("rg", nullptr, "g", {"a", "b", "c"});
  TComboBox co("co", nullptr);
  co.SetItems({"x", "y"});
  int clicks = 0, combo = 0;
  cb.OnClick = [&] { ++clicks; };
  rg.OnClick = [&] { ++clicks; };
  co.OnChange = [&] { ++combo; };
  co.OnClick = [&] { ++combo; };
  cb.SetChecked(true);
  cb.SetChecked(true);
  rg.SetItemIndex(2);
  rg.SetItemIndex(2);
  rg.SetItemIndex(7);  // out of range: no choice, no click
  co.SetItemIndex(1);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(rg.ItemIndex(), -1);
  EXPECT_EQ(combo, 0);
  co.UserSelect(0);
  EXPECT_EQ(combo, 2);
  EXPECT_EQ(co.Text(), "x");
}

TEST(Controls, DisabledOrHiddenButtonsIgnoreTheUser) {
  TForm form("f");
  TPageControl pc("pc", &form);
  TTabSheet tab("tab", &pc, "T");
  TButton b("b", &tab, "B");
  int clicks = 0;
  b.OnClick = [&] { ++clicks; };
  b.Click();
  pc.SetEnabled(false);
  b.Click();
  pc.SetEnabled(true);
  tab.SetTabVisible(false);
  b.Click();
  EXPECT_EQ(clicks, 1);
}

TEST(Controls, ExceptionEscapingTheOutermostHandlerIsShownAndTheProgramGoesOn) {
  std::vector<std::string> shown;
  test::ScopedExceptionDisplay display([&](const std::string& m) { shown.push_back(m); });
  TButton b("b", nullptr);
  TEdit e("e", nullptr);
  bool after = false;
  e.OnChange = [] { throw std::runtime_error("Failed to set data for 'X'"); };
  b.OnClick = [&] {
    e.SetText(e.Text() + "x");  // the nested handler's exception ends this handler too
    after = true;
  };
  b.Click();
  b.Click();
  EXPECT_FALSE(after);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0], "Failed to set data for 'X'");
}

TEST(Memo, LinesFollowTheWindowTextRules) {
  TMemo m("m", nullptr);
  EXPECT_EQ(m.LineCount(), 0);
  m.AddLine("a");
  m.AddLine("b");
  EXPECT_EQ(m.Text(), "a\r\nb\r\n");
  EXPECT_EQ(m.LineCount(), 2);
  m.SetText("x\r\ny");  // no trailing line end: the next line gets one in front
  m.AddLine("z");
  EXPECT_EQ(m.Text(), "x\r\ny\r\nz");
  m.DeleteLine(1);
  EXPECT_EQ(m.Lines(), (std::vector<std::string>{"x", "z"}));
  m.DeleteLine(1);
  EXPECT_EQ(m.Text(), "x");
  m.SetLine(0, "w");
  m.InsertLine(0, "v");
  EXPECT_EQ(m.Text(), "v\r\nw");
  EXPECT_EQ(m.Line(5), "");
  m.SetText("");
  m.SetSelText("piece");
  m.SetSelText(" more");
  EXPECT_EQ(m.Text(), "piece more");
}

// How the log views and the CLI follow a pane: keep a copy and take only the part that
// KeptSince says is not the same any more.
struct Follower {
  uint64_t revision = 0;
  std::string copy;
  std::size_t read = 0;  // bytes taken from the text in all
  void Look(const TMemo& m) {
    const std::size_t kept = m.KeptSince(revision, copy.size());
    copy.resize(kept);
    copy.append(m.Text(), kept);
    read += m.Text().size() - kept;
    revision = m.Revision();
  }
};

// The memo keeps an index of its lines across edits; Lines() reads the text afresh.
void ExpectLinesOfTheText(const TMemo& m) {
  const std::vector<std::string> lines = m.Lines();
  ASSERT_EQ(m.LineCount(), static_cast<int>(lines.size()));
  for (int i = 0; i < m.LineCount(); ++i) EXPECT_EQ(m.Line(i), lines[static_cast<std::size_t>(i)]) << "line " << i;
  EXPECT_EQ(m.Line(m.LineCount()), "");
}

TEST(Memo, FollowersAndTheLineIndexKeepUpWithEveryKindOfEdit) {
  using Step = std::function<void(TMemo&)>;
  auto append = [](const std::string& piece) {
    return [piece](TMemo& m) {
      m.SetSel(static_cast<int>(m.Text().size()), 0);
      m.SetSelText(piece);
    };
  };
  auto add = [](const std::string& line) { return [line](TMemo& m) { m.AddLine(line); }; };
  std::vector<Step> manyRewrites = {add("head")};
  for (int i = 0; i < 300; ++i) {
    manyRewrites.push_back(append(std::to_string(i)));
    manyRewrites.push_back([i](TMemo& m) { m.SetLine(m.LineCount() - 1, "line " + std::to_string(i)); });
    manyRewrites.push_back(append("\r\n"));
  }
  struct Script {
    const char* name;
    std::vector<Step> steps;
    bool appendsOnly;
  };
  const Script scripts[] = {
      {"a log of lines", {add("a"), add(""), add("c")}, true},
      {"a line end split between two pieces", {append("x\r"), append("\ny"), append("\r"), append("\n")}, true},
      {"a counter rewritten in place",
       {add("run"), append("10%"), [](TMemo& m) { m.SetLine(1, "20%"); }, [](TMemo& m) { m.SetLine(1, "30%"); },
        add("done")},
       false},
      {"cleared and filled again", {add("old"), add("older"), [](TMemo& m) { m.Clear(); }, add("new")}, false},
      {"edits in the middle",
       {add("a"), add("b"), add("c"), [](TMemo& m) { m.InsertLine(1, "i"); }, [](TMemo& m) { m.DeleteLine(0); },
        [](TMemo& m) { m.SetLine(1, "B"); }},
       false},
      {"text set anew with the same start",
       {[](TMemo& m) { m.SetText("SN:1\r\nFW:2"); }, [](TMemo& m) { m.SetText("SN:1\r\nFW:3\r\n"); }},
       false},
      {"the last line deleted", {[](TMemo& m) { m.SetText("x\r\ny"); }, [](TMemo& m) { m.DeleteLine(1); }}, false},
      {"more rewrites than are remembered", manyRewrites, false},
  };
  for (const Script& script : scripts) {
    SCOPED_TRACE(script.name);
    TMemo m("m", nullptr);
    Follower eager, lazy;
    for (const Step& step : script.steps) {
      step(m);
      if (&step == &script.steps.front()) lazy.Look(m);  // then not again until the end
      eager.Look(m);
      ASSERT_EQ(eager.copy, m.Text());
      ExpectLinesOfTheText(m);
    }
    lazy.Look(m);
    EXPECT_EQ(lazy.copy, m.Text());
    // Following a log that only grows reads each byte once.
    if (script.appendsOnly) {
      EXPECT_EQ(eager.read, m.Text().size());
    }
  }
}

TEST(Memo, AnAddedLineFiresOnceAndLeavesTheCaretAfterIt) {
  TMemo m("m", nullptr);
  int changes = 0;
  m.OnChange = [&] { ++changes; };
  m.AddLine("first");
  m.AddLine("second");
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(m.SelStart(), static_cast<int>(m.Text().size()));
  m.SetLine(1, "second");  // the same text: nothing happens
  m.SetSel(0, 5);
  m.SetSelText("first");
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(m.SelStart(), 5);
  const uint64_t seen = m.Revision();
  m.SetLine(0, "1st");
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(m.KeptSince(seen, m.Text().size()), 0u);
}

TEST(ListView, SingleSelectionFiresDeselectThenSelect) {
  TListView lv("lv", nullptr, {{"A"}});
  std::vector<std::pair<int, bool>> events;
  lv.OnSelectItem = [&](TListItem* it, bool sel) { events.emplace_back(it->Index(), sel); };
  lv.Add().SetCaption("x");
  lv.Add().SetCaption("y");
  lv.Item(0).SetSelected(true);
  lv.Item(1).SetSelected(true);
  EXPECT_EQ(events, (std::vector<std::pair<int, bool>>{{0, true}, {0, false}, {1, true}}));
  EXPECT_EQ(lv.Selected(), &lv.Item(1));
  lv.Clear();
  EXPECT_EQ(lv.Selected(), nullptr);
}

TEST(PageControl, HidingTheActiveTabHandsOverToTheNextVisible) {
  TPageControl pc("pc", nullptr);
  TTabSheet a("a", &pc, "A"), b("b", &pc, "B"), c("c", &pc, "C");
  ASSERT_EQ(pc.Pages().size(), 3u);
  int changes = 0;
  pc.OnChange = [&] { ++changes; };
  b.SetTabVisible(false);
  pc.UserSelect(1);  // hidden: refused
  EXPECT_EQ(pc.ActivePageIndex(), 0);
  pc.UserSelect(2);
  EXPECT_EQ(changes, 1);
  c.SetTabVisible(false);
  EXPECT_EQ(pc.ActivePage(), &a);
}

TEST(Timers, FireInOrderOnlyThroughTheVirtualLoop) {
  VirtualEventLoop loop;
  test::ScopedEventLoop current(loop);
  std::vector<std::string> log;
  TTimer fast("fast", 10), slow("slow", 25), stopped("stopped", 0);
  fast.OnTimer = [&] { log.push_back("f" + std::to_string(loop.NowMs())); };
  slow.OnTimer = [&] {
    log.push_back("s" + std::to_string(loop.NowMs()));
    slow.SetEnabled(false);
  };
  stopped.OnTimer = [&] { log.push_back("never"); };
  EXPECT_TRUE(log.empty());
  loop.Advance(30);
  EXPECT_EQ(log, (std::vector<std::string>{"f10", "f20", "s25", "f30"}));
  // A handler that stops and restarts its timer sets the next due time from now.
  log.clear();
  fast.OnTimer = [&] {
    fast.SetEnabled(false);
    log.push_back("f" + std::to_string(loop.NowMs()));
    fast.SetInterval(7);
    fast.SetEnabled(true);
  };
  loop.Advance(20);
  EXPECT_EQ(log, (std::vector<std::string>{"f40", "f47"}));
}

TEST(Timers, PostedTasksRunOnDispatchAndHandlersNeverNest) {
  VirtualEventLoop loop;
  test::ScopedEventLoop current(loop);
  int runs = 0, nested = 0;
  TTimer t("t", 5);
  t.OnTimer = [&] {
    ++runs;
    loop.Post([&] { ++nested; });
    EXPECT_EQ(loop.Dispatch(), 0);  // refused while a handler runs
    EXPECT_EQ(nested, 0);
  };
  loop.Advance(5);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(nested, 1);
  loop.Sleep(500);  // a blocking pause moves the clock and fires nothing
  EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace bx::ui
