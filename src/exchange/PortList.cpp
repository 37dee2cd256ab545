#include "exchange/PortList.h"

#include "form/PageControls.h"
#include "settings/ProgramStart.h"
#include "settings/Settings.h"

namespace bx {

PortList::PortList(SettingsControls& controls, ui::TTimer& tmrRefresh, Settings& settings, Dialogs* dialogs)
    : c_(controls), tmrRefresh_(tmrRefresh), settings_(settings), dialogs_(dialogs) {
  c_.cbCOM.Hint = "Ports List";
  c_.btPortProp.Hint = "Property";
  c_.btSearch.SetEnabled(false);
  c_.btPortProp.SetEnabled(false);
}

void PortList::tmrRefreshTimer() {
  tmrRefresh_.SetEnabled(false);
  // Re-armed however the refresh ends: a store error it raises is shown by the handler's
  // exception display, and must not stop the port list for the rest of the session.
  struct Rearm {
    ui::TTimer& timer;
    ~Rearm() {
      timer.SetInterval(500);
      timer.SetEnabled(true);
    }
  } rearm{tmrRefresh_};
  Refresh(false);
}

void PortList::Refresh(bool force) {
  PortLists fresh = feed_ ? feed_->Collect() : PortLists{};
  if (!force && fresh == rows_) return;
  // The port in the box before the rebuild: it stays chosen while it is still offered.
  const std::string chosen = SelectedPortName();
  const std::string chosenText = SelectedPortText();
  rows_.clear();
  c_.cbCOM.ClearItems();
  for (std::size_t i = 0; i < fresh.size(); ++i) {
    rows_.Names.push_back(fresh.Names[i]);
    rows_.Descriptions.push_back(i < fresh.Descriptions.size() ? fresh.Descriptions[i] : std::string());
    rows_.Details.push_back(i < fresh.Details.size() ? fresh.Details[i] : std::string());
    c_.cbCOM.AddItem(PortText(rows_.Names.back(), rows_.Descriptions.back()));
  }
  const bool awaitingPreferred = !preferred.empty();  // the start's port wins over any kept choice
  int best = RecentPortIndex(settings_, rows_, serialPrefix);
  if (!preferred.empty()) {
    for (std::size_t i = 0; i < rows_.Names.size(); ++i)
      if (rows_.Names[i] == preferred) best = static_cast<int>(i);
    if (best >= 0 && rows_.Names[static_cast<std::size_t>(best)] == preferred) preferred.clear();
  }
  // With no port used before, the first one offered: Search is usable at once.
  if (best < 0 && !rows_.Names.empty() && firstWhenNoneUsed) best = 0;
  if (!chosen.empty() && !awaitingPreferred) {
    int kept = -1;
    for (std::size_t i = 0; i < rows_.Names.size(); ++i)
      if (rows_.Names[i] == chosen) kept = static_cast<int>(i);
    if (kept >= 0) {
      best = kept;
    } else {
      // The chosen port went away: the default below takes its place, and the user is told.
      const std::string next = best >= 0 ? rows_.Names[static_cast<std::size_t>(best)] : std::string();
      c_.memLog.AddLine("Port " + chosen + " is no longer offered" +
                        (next.empty() ? std::string(".") : "; " + next + " is selected."));
      if (gone_) gone_->PortGone(chosenText);
    }
  }
  if (c_.cbCOM.Items().empty() || best < 0) {
    // The rebuild chose no port: Search and the properties have nothing to act on.
    c_.btSearch.SetEnabled(false);
    c_.btPortProp.SetEnabled(false);
    return;
  }
  c_.cbCOM.SetItemIndex(best);
  c_.btPortProp.SetEnabled(!rows_.Details[static_cast<std::size_t>(best)].empty());
  c_.btSearch.SetEnabled(true);
}

void PortList::cbCOMClick() {
  if (c_.cbCOM.ItemIndex() < 0) {
    c_.btSearch.SetEnabled(false);
    return;
  }
  c_.btPortProp.SetEnabled(!SelectedDetail().empty());
  c_.btSearch.SetEnabled(true);
}

void PortList::btPortPropClick() {
  const std::string detail = SelectedDetail();
  if (detail.empty() || !feed_ || !dialogs_) return;
  const std::string name = SelectedPortName();
  dialogs_->ShowProperties(name + " Properties", feed_->Properties(name, detail));
}

std::string PortList::PortName(int index) const {
  if (index < 0 || index >= static_cast<int>(rows_.Names.size())) return {};
  return rows_.Names[static_cast<std::size_t>(index)];
}

std::string PortList::SelectedPortName() const { return PortName(c_.cbCOM.ItemIndex()); }

std::string PortList::SelectedPortText() const {
  const int i = c_.cbCOM.ItemIndex();
  if (i < 0 || i >= static_cast<int>(rows_.Names.size())) return {};
  return PortText(rows_.Names[static_cast<std::size_t>(i)], rows_.Descriptions[static_cast<std::size_t>(i)]);
}

std::string PortList::SelectedDetail() const {
  const int i = c_.cbCOM.ItemIndex();
  if (i < 0 || i >= static_cast<int>(rows_.Details.size())) return {};
  return rows_.Details[static_cast<std::size_t>(i)];
}

}  // namespace bx
