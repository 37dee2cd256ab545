#include "exchange/PortList.h"

#include "form/Unitmain.h"

namespace bx {

namespace {
// The serial link's prefix: on POSIX port names are device paths.
constexpr const char* kSerialPrefix = "/dev/";

std::string Head(const std::string& name) { return name.substr(0, std::string(kSerialPrefix).size()); }
}  // namespace

PortList::PortList(TfrmMain& form) : f_(form) {
  f_.cbCOM.Hint = "Ports List";
  f_.btPortProp.Hint = "Property";
  f_.btSearch.SetEnabled(false);
  f_.btPortProp.SetEnabled(false);
}

void PortList::tmrRefreshTimer() {
  f_.tmrRefresh.SetEnabled(false);
  // Re-armed however the refresh ends: a store error it raises is shown by the handler's
  // exception display, and must not stop the port list for the rest of the session.
  struct Rearm {
    ui::TTimer& timer;
    ~Rearm() {
      timer.SetInterval(500);
      timer.SetEnabled(true);
    }
  } rearm{f_.tmrRefresh};
  Refresh(false);
}

void PortList::Refresh(bool force) {
  PortLists fresh = collect ? collect() : PortLists{};
  if (!force && fresh == f_.Ports) return;
  f_.Ports.clear();
  f_.cbCOM.ClearItems();
  int best = -1, bestRank = -1;
  std::string bestHead;
  const std::string serial = kSerialPrefix;
  for (std::size_t i = 0; i < fresh.size(); ++i) {
    const std::string& name = fresh.Names[i];
    const std::string desc = i < fresh.Descriptions.size() ? fresh.Descriptions[i] : std::string();
    const std::string detail = i < fresh.Details.size() ? fresh.Details[i] : std::string();
    f_.Ports.Names.push_back(name);
    f_.Ports.Descriptions.push_back(desc);
    f_.Ports.Details.push_back(detail);
    f_.cbCOM.AddItem(name + " (" + desc + ")");
    const int rank = f_.settings.RecentPortRank(name);
    if (rank < 0) continue;
    const std::string head = Head(name);
    bool take = false;
    if (best < 0)
      take = true;
    else if (rank < bestRank)
      take = head == bestHead || bestHead != serial;
    else
      take = head != bestHead && head == serial;
    if (take) {
      best = static_cast<int>(i);
      bestRank = rank;
      bestHead = head;
    }
  }
  if (!preferred.empty()) {
    for (std::size_t i = 0; i < f_.Ports.Names.size(); ++i)
      if (f_.Ports.Names[i] == preferred) best = static_cast<int>(i);
    if (best >= 0 && f_.Ports.Names[static_cast<std::size_t>(best)] == preferred) preferred.clear();
  }
  if (f_.cbCOM.Items().empty() || best < 0) {
    // The rebuild chose no port: Search and the properties have nothing to act on.
    f_.btSearch.SetEnabled(false);
    f_.btPortProp.SetEnabled(false);
    return;
  }
  f_.cbCOM.SetItemIndex(best);
  f_.btPortProp.SetEnabled(!f_.Ports.Details[static_cast<std::size_t>(best)].empty());
  f_.btSearch.SetEnabled(true);
}

void PortList::cbCOMClick() {
  if (f_.cbCOM.ItemIndex() < 0) {
    f_.btSearch.SetEnabled(false);
    return;
  }
  f_.btPortProp.SetEnabled(!SelectedDetail().empty());
  f_.btSearch.SetEnabled(true);
}

void PortList::btPortPropClick() {
  const std::string detail = SelectedDetail();
  if (detail.empty() || !properties || !f_.ctx.dialogs) return;
  const std::string name = SelectedPortName();
  f_.ctx.dialogs->ShowProperties(name + " Properties", properties(name, detail));
}

std::string PortList::PortName(int index) const {
  if (index < 0 || index >= static_cast<int>(f_.Ports.Names.size())) return {};
  return f_.Ports.Names[static_cast<std::size_t>(index)];
}

std::string PortList::SelectedPortName() const { return PortName(f_.cbCOM.ItemIndex()); }

std::string PortList::SelectedDetail() const {
  const int i = f_.cbCOM.ItemIndex();
  if (i < 0 || i >= static_cast<int>(f_.Ports.Details.size())) return {};
  return f_.Ports.Details[static_cast<std::size_t>(i)];
}

}  // namespace bx
