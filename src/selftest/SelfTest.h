#pragma once
// The Test page: runs the adapter's built-in test, shows its log while it arrives, and
// judges it by the words "ERROR" and "WARNING" with a coloured circle; the three circles
// beside it keep the verdicts of the runs before.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/Bytes.h"
#include "exchange/ExchangeHooks.h"
#include "ui/Controls.h"

namespace bx {

struct TestControls;
class Exchange;
class Identity;
struct LiveCursor;

struct TestVerdict {
  int errors = -1, warnings = -1;
  std::string text;
  uint32_t fill = 0;
};

// Counts without overlap over the whole log; an empty log counts -1 for both, which
// judges as "Error/Warning": a test that reported nothing has not passed.
TestVerdict JudgeTestLog(const std::string& log);

class SelfTest : public LiveReply {
 public:
  // tmrMemo is the window's timer that lets the suspended live pane repaint.
  SelfTest(TestControls& controls, ui::TTimer& tmrMemo, Exchange& exchange, Identity& identity);

  // The adapter is gone from the window: empty log and result, grey circles, tab hidden.
  void Reset();
  // The adapter has a bootloader: the Test tab is shown.
  void Offer();

  void Run(ui::TControl& actedOn);
  void ToggleParams();
  // Shows the new text of the receive buffer in the live pane.
  void RenderLive(ui::TMemo& pane, const Bytes& rx, LiveCursor& cursor) override;
  void TestDone(const Bytes& reply) override { Verdict(reply); }
  // The verdict on the reply: its lines as the live pane shows them, judged by their words.
  void Verdict(const Bytes& reply);
  // The verdict of the last run, none while a run is on or when it had no answer.
  const std::optional<TestVerdict>& LastVerdict() const { return verdict_; }
  // tmrMemo: the suspended pane repaints again.
  void tmrMemoTimer();

 private:
  void KeyDown(ui::TControl& control, ui::KeyEvent& e);
  void Emit(ui::TMemo& pane, const std::string& piece, LiveCursor& cursor);

  TestControls& c_;
  ui::TTimer& tmrMemo_;
  Exchange& ex_;
  Identity& identity_;
  // The pane whose line updates are suspended, kept here because the exchange forgets
  // its live pane when it ends, possibly before tmrMemo comes round.
  ui::TMemo* suspended_ = nullptr;
  std::optional<TestVerdict> verdict_;
  bool paramsShown_ = false;  // the parameter field (Ctrl+P)
  // The circles' fills: this run's, then the three runs before (ScrollBar: none).
  std::array<uint32_t, 4> fills_{ui::clr::ScrollBar, ui::clr::ScrollBar, ui::clr::ScrollBar, ui::clr::ScrollBar};
  void ShowNoVerdict();
  void ShowFills();
};

}  // namespace bx
