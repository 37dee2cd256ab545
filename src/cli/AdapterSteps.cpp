#include "cli/AdapterSteps.h"

#include <ostream>

#include "cli/Cli.h"
#include "exchange/Exchange.h"
#include "modes/ModeList.h"
#include "session/AdapterSession.h"
#include "window/Modules.h"

namespace bx::cli {

bool RunExchange(Session& s) {
  Exchange& ex = *s.form->Modules->exchange;
  return s.RunUntil([&] { return !ex.Running(); }, kExchangeLimitMs);
}

bool Search(Session& s, bool showAll) {
  TfrmMain& f = *s.form;
  if (!f.btSearch.Usable()) {
    s.Fail(1, "Search is not available on this port");
    return false;
  }
  if (showAll && !f.cbShow.Checked())
    f.cbShow.SetChecked(true);
  else
    f.btSearch.Click();
  if (!RunExchange(s)) {
    if (s.Signal() == 0) s.Fail(1, "the search did not end");
    return false;
  }
  return f.Modules->exchange->Answered();
}

int FindMode(Session& s, const std::string& id) {
  ui::TListView& lv = s.form->lvModes;
  for (int i = 0; i < lv.Count(); ++i)
    if (!lv.Item(i).SubItems().empty() && lv.Item(i).SubItems()[0] == id) return i;
  return -1;
}

namespace {
std::string Sub(const ui::TListItem& it, std::size_t i) { return i < it.SubItems().size() ? it.SubItems()[i] : ""; }
}  // namespace

void PrintModes(Session& s) {
  ui::TListView& lv = s.form->lvModes;
  *s.out << "#\tID\tDescription\tState\n";
  for (int i = 0; i < lv.Count(); ++i) {
    const ui::TListItem& it = lv.Item(i);
    *s.out << Shown(it.Caption()) << "\t" << Shown(Sub(it, 0)) << "\t" << Shown(Sub(it, 1)) << "\t"
           << ModeStateName(it.StateIndex()) << "\n";
  }
}

Json ModesJson(Session& s) {
  ui::TListView& lv = s.form->lvModes;
  Json modes = Json::array();
  for (int i = 0; i < lv.Count(); ++i) {
    const ui::TListItem& it = lv.Item(i);
    modes.push_back({{"number", it.Caption()},
                     {"id", Sub(it, 0)},
                     {"description", Sub(it, 1)},
                     {"state", ModeStateName(it.StateIndex())}});
  }
  return modes;
}

Json StatusJson(Session& s) {
  const AdapterSession& a = *s.form->Modules->session;
  const IdentityRecord& id = a.Identity();
  Json j = {{"hardware", id.hardware},
            {"bootware", id.bootware},
            {"firmware", id.firmware},
            {"serial", id.serial},
            {"port", a.PortShown()}};
  if (!a.Battery().empty()) j["battery"] = a.Battery();
  return j;
}

}  // namespace bx::cli
