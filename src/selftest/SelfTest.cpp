#include "selftest/SelfTest.h"

#include "core/Bytes.h"
#include "exchange/Exchange.h"
#include "exchange/Identity.h"
#include "form/PageControls.h"
#include "session/DeviceRecords.h"

namespace bx {

namespace {

bool EndsWithLineEnd(const std::string& t) { return t.size() >= 2 && t.compare(t.size() - 2, 2, "\r\n") == 0; }

}  // namespace

TestVerdict JudgeTestLog(const std::string& log) {
  const TestCounts counts = CountTestLog(log);
  TestVerdict v{counts.errors, counts.warnings, counts.text, ui::clr::Yellow};
  if (counts.Passed())
    v.fill = ui::clr::Lime;
  else if (v.warnings == 0)
    v.fill = ui::clr::Red;
  else if (v.errors != 0)
    v.fill = ui::clr::Orange;
  return v;
}

SelfTest::SelfTest(TestControls& controls, ui::TTimer& tmrMemo, Exchange& exchange, Identity& identity)
    : c_(controls), tmrMemo_(tmrMemo), ex_(exchange), identity_(identity) {
  ex_.Connect(static_cast<LiveReply&>(*this));
  ex_.Follow(nullptr, [this] { c_.btCopyTest.SetEnabled(!c_.memLogTest.Text().empty()); });
  c_.btRunTest.OnClick = [this] { Run(c_.btRunTest); };
  c_.btRunTest.OnKeyDown = [this](ui::KeyEvent& e) { KeyDown(c_.btRunTest, e); };
  c_.edTest_Params.OnKeyDown = [this](ui::KeyEvent& e) { KeyDown(c_.edTest_Params, e); };
}

void SelfTest::ShowNoVerdict() {
  verdict_.reset();
  c_.edTest_Result.SetText("");
}

void SelfTest::Reset() {
  c_.memLogTest.SetText("");
  ShowNoVerdict();
  fills_.fill(ui::clr::ScrollBar);
  ShowFills();
  c_.tsTest.SetTabVisible(false);
}

// The circle of this run, and those of the runs before it that had one.
void SelfTest::ShowFills() {
  ui::TShape* circles[] = {&c_.shpTest_Result, &c_.shpTest_Result_1, &c_.shpTest_Result_2, &c_.shpTest_Result_3};
  for (std::size_t i = 0; i < fills_.size(); ++i) {
    circles[i]->SetBrushColor(fills_[i]);
    if (i > 0) circles[i]->SetVisible(fills_[i] != ui::clr::ScrollBar);
  }
}

void SelfTest::Offer() { c_.tsTest.SetTabVisible(true); }

void SelfTest::KeyDown(ui::TControl& control, ui::KeyEvent& e) {
  if (e.ctrl && e.key == ui::vk::P) {
    e.key = 0;
    ToggleParams();
  } else if (e.key == ui::vk::Return && !e.ctrl && !e.alt) {
    e.key = 0;
    Run(control);
  }
}

void SelfTest::ToggleParams() {
  paramsShown_ = !paramsShown_;
  if (paramsShown_) {
    c_.edTest_Params.SetVisible(true);
    c_.edTest_Params.SetFocus();
    return;
  }
  c_.edTest_Params.SetText("");
  c_.edTest_Params.SetVisible(false);
  c_.btRunTest.SetFocus();
}

void SelfTest::Run(ui::TControl& actedOn) {
  // The log and the history of the last run stay while another operation holds the
  // adapter (the Test page is usable during an upload).
  if (ex_.Running()) {
    c_.memLogTest.AddLine(BusyRefusal("Run"));
    return;
  }
  c_.memLogTest.Clear();
  // The circle of the run before moves into the history, also when it had no verdict.
  for (std::size_t i = fills_.size() - 1; i > 0; --i) fills_[i] = fills_[i - 1];
  fills_[0] = ui::clr::ScrollBar;
  ShowFills();
  ShowNoVerdict();
  // The exchange starts the live pane afresh: a run that timed out right after a bare CR
  // does not overwrite a line of this one.
  ExchangeRequest r;
  r.operation = Operation::SelfTest;
  r.commandSuffix = "T" + c_.edTest_Params.Text();
  r.focusTarget = &actedOn;
  r.livePane = &c_.memLogTest;
  ex_.Start(std::move(r));
}

void SelfTest::Emit(ui::TMemo& pane, const std::string& piece, LiveCursor& c) {
  // overwriteLine holds the pane line index plus one, so that 0 can mean "none" and a
  // counter on the very first line still updates in place.
  const int line = c.overwriteLine - 1;
  c.overwriteLine = 0;
  if (line >= 0 && line < pane.LineCount() && piece != "\r\n") {
    pane.SetLine(line, piece);
    return;
  }
  pane.SetSel(static_cast<int>(pane.Text().size()), 0);
  pane.SetSelText(piece);
}

void SelfTest::RenderLive(ui::TMemo& livePane, const Bytes& rx, LiveCursor& c) {
  ui::TMemo* pane = &livePane;
  if (c.position < 1) c.position = 1;
  while (static_cast<std::size_t>(c.position - 1) < rx.size()) {
    const std::size_t from = static_cast<std::size_t>(c.position - 1);
    const std::size_t cr = rx.find('\r', from);
    std::size_t length = 0;
    if (cr == Bytes::npos) {
      length = rx.size() - from;
    } else if (cr + 1 == rx.size()) {
      // A CR that arrived last may be the first half of a CR LF: wait for the next byte,
      // or the next line would be written over this one.
      if (cr == from) return;
      length = cr - from;
    } else if (rx[cr + 1] == '\n') {
      length = cr + 2 - from;
    } else {
      if (!tmrMemo_.Enabled()) {
        tmrMemo_.SetInterval(100);
        tmrMemo_.SetEnabled(true);
        if (!suspended_) {
          suspended_ = pane;
          pane->BeginUpdate();
        }
      }
      if (cr == from) {
        // The text after a bare CR goes over the line the caret is on; after a CR LF that
        // is a new, empty line, so nothing is overwritten.
        const std::string& t = pane->Text();
        c.overwriteLine = t.empty() || EndsWithLineEnd(t) ? 0 : pane->LineCount();
        ++c.position;
        continue;
      }
      length = cr - from;
    }
    Emit(*pane, rx.substr(from, length), c);
    c.position += static_cast<int>(length);
  }
}

void SelfTest::Verdict(const Bytes& reply) {
  // The step that completed the frame rendered it before taking it off the buffer, so
  // the pane already shows these lines; the verdict and the identity are read from the
  // reply itself, as the command line reads them, not back out of the pane.
  const std::vector<std::string> lines = TestLogLines(reply + "\r\n");
  // The identity lines of the test log fill the identity fields, as a search's do.
  identity_.TakeRecordLines(lines);
  const TestVerdict v = JudgeTestLog(JoinLines(lines));
  verdict_ = v;
  c_.edTest_Result.SetText(Format("%d/%d", v.errors, v.warnings));
  fills_[0] = v.fill;
  ShowFills();
  c_.memLogTest.AddLine("RESULT : " + v.text);
}

void SelfTest::tmrMemoTimer() {
  if (suspended_) {
    ui::TMemo& pane = *suspended_;
    suspended_ = nullptr;
    pane.EndUpdate();
    // Bring the caret into view at the end without touching the text.
    pane.SetSel(static_cast<int>(pane.Text().size()), 0);
    pane.SetSelText("");
  }
  tmrMemo_.SetEnabled(false);
}

}  // namespace bx
