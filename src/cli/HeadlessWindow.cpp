#include "cli/HeadlessWindow.h"

#include "cli/AdapterSteps.h"
#include "cli/TerminalDialogs.h"
#include "exchange/Exchange.h"
#include "exchange/PortList.h"
#include "links/LinkTable.h"
#include "program/Program.h"

namespace bx::cli {

namespace {

// Bounds a port named on the command line that never shows in the list (a link whose
// first scan does not end).
constexpr int64_t kPortListedMs = 4000;

class Window : public HeadlessWindow {
 public:
  explicit Window(std::unique_ptr<TfrmMain> form) : form_(std::move(form)) {}

  bool ChoosePort(Session& s) override {
    TfrmMain& f = *form_;
    if (s.chosenPort.empty()) {
      if (f.cbCOM.ItemIndex() >= 0) return Chosen(s);
      s.Fail(2, "no port chosen: give --port NAME or --demo (see the ports command)");
      return false;
    }
    auto selected = [&] { return f.Modules->ports->SelectedPortName() == s.chosenPort; };
    // The links list a named port in their first scan pass, which began when the window
    // was created: wait for that pass instead of the refresh timer's next tick.
    if (!selected() && f.Links) {
      f.Links->WaitScanAll(false);
      f.Modules->ports->Refresh(false);
    }
    if (selected() || s.RunUntil(selected, kPortListedMs)) {
      f.cbCOM.UserSelect(f.cbCOM.ItemIndex());
      return Chosen(s);
    }
    if (s.Signal() == 0) s.Fail(2, "the port " + s.chosenPort + " is not listed");
    return false;
  }

  PortLists Ports() override {
    TfrmMain& f = *form_;
    // Every link lists its ports in its first scan pass, begun when the window was made.
    if (f.Links) f.Links->WaitScanAll(false);
    f.Modules->ports->Refresh(false);
    return f.Modules->ports->Rows();
  }

  int AppMessageBox(const std::string& shortCaption, const std::string& text, int flags) override {
    return form_->AppMessageBox(shortCaption, text, flags);
  }

  bool Close() override {
    TfrmMain& f = *form_;
    bool closed = false;
    ui::Invoke([&] { closed = f.Close(); });
    // A CLI run always ends; unsaved page edits are the user's answer.
    if (!f.Closed()) ui::Invoke([&] { f.FormClose(); });
    form_.reset();
    return closed;
  }

  TfrmMain& form() { return *form_; }

 private:
  bool Chosen(Session& s) {
    s.port = form_->Modules->ports->SelectedPortName();
    return true;
  }
  std::unique_ptr<TfrmMain> form_;
};

}  // namespace

std::unique_ptr<HeadlessWindow> StartHeadlessWindow(Session& s) {
  AppContext context = MakeProgramContext(s.services, *s.dialogs, *s.clipboard, {});
  context.registerProgram = s.registration.registerProgram;
  context.programPath = s.registration.programPath;
  context.hasView = false;
  context.trace = s.trace.get();
  for (const auto& p : s.options.ports) context.virtualPorts.emplace_back(p, kCommandLinePort);
  if (s.demo) s.demo->Offer(context);
  std::unique_ptr<TfrmMain> form;
  try {
    form = std::make_unique<TfrmMain>(std::move(context));
  } catch (const std::exception& e) {
    ui::ShowException(e.what());
    return nullptr;
  } catch (...) {
    // Any other kind is shown as the handlers show it: with an empty message.
    ui::ShowException("");
    return nullptr;
  }
  if (!s.chosenPort.empty()) PreferPort(*form, s.chosenPort);
  form->FormShow();
  return std::make_unique<Window>(std::move(form));
}

TfrmMain& Form(Session& s) { return static_cast<Window&>(*s.window).form(); }

bool WindowSearch(Session& s, int64_t limitMs, bool reportSilence) {
  TfrmMain& f = Form(s);
  if (!f.btSearch.Usable()) {
    s.Fail(1, "Search is not available on this port");
    return false;
  }
  f.btSearch.Click();
  Exchange& ex = *f.Modules->exchange;
  if (!s.RunUntil([&ex] { return !ex.Running(); }, limitMs)) {
    if (s.Signal() == 0) s.Fail(1, "the search did not end");
    return false;
  }
  if (!ex.Answered() && reportSilence) s.Fail(1, "the adapter did not answer on " + s.chosenPort);
  return ex.Answered();
}

}  // namespace bx::cli
