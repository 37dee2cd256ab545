#pragma once
// The port list behind cbCOM: refreshed every 500 ms from the device links, with the
// most recently used port preselected.
#include <functional>
#include <string>
#include <vector>

#include "core/PortList.h"
#include "platform/Services.h"

namespace bx {

class Settings;
class Dialogs;
struct SettingsControls;
namespace ui {
class TTimer;
}

// Where the ports come from (the window's link table) and what is known of each.
class PortFeed {
 public:
  virtual ~PortFeed() = default;
  virtual PortLists Collect() = 0;
  // A port's properties for its sheet (none when nothing is known).
  virtual PropertyRows Properties(const std::string& name, const std::string& detail) = 0;
};

// Told the item text of a chosen port that is no longer offered (the status strip says so).
class PortGoneListener {
 public:
  virtual ~PortGoneListener() = default;
  virtual void PortGone(const std::string& shown) = 0;
};

class PortList {
 public:
  // `dialogs` may be null (no property sheet then).
  PortList(SettingsControls& controls, ui::TTimer& tmrRefresh, Settings& settings, Dialogs* dialogs);

  // Rebuilds cbCOM when the reported ports differ from the current list (always when
  // forced). The port chosen before stays chosen while it is still offered; otherwise
  // the default port is preselected (the most recently used by the rule, else the first), and a chosen port that went away is logged in memLog
  // and told to the PortGoneListener.
  void Refresh(bool force);
  void tmrRefreshTimer();
  void cbCOMClick();
  void btPortPropClick();
  // The port-list name at an index ("" when out of range).
  std::string PortName(int index) const;
  std::string SelectedPortName() const;
  // The chosen port as cbCOM shows it (its name and description; "" when none is chosen).
  std::string SelectedPortText() const;
  std::string SelectedDetail() const;
  // The rows behind cbCOM: name, description, device identifier per item.
  const PortLists& Rows() const { return rows_; }

  // With no port used before, the first one offered is preselected (a window, where the
  // user sees the box); false for the command line, whose commands go only to a port
  // named or used before, never to whichever the links happen to list first.
  bool firstWhenNoneUsed = true;
  // A port the program was started for (--port, --demo): chosen as soon as it is listed.
  std::string preferred;
  // The serial links' prefix, as the links tell it ("/dev/", "COM"): among the recently
  // used ports a serial one is the default before any other. Empty: no such preference.
  std::string serialPrefix;

  // Where the ports come from (null: none are offered), and who is told of one gone.
  void Connect(PortFeed* feed) { feed_ = feed; }
  PortFeed* Feed() const { return feed_; }
  void Connect(PortGoneListener& listener) { gone_ = &listener; }

 private:
  SettingsControls& c_;
  ui::TTimer& tmrRefresh_;
  Settings& settings_;
  Dialogs* dialogs_;
  PortFeed* feed_ = nullptr;
  PortGoneListener* gone_ = nullptr;
  PortLists rows_;
};

}  // namespace bx
