#pragma once
// The adapter's identity record: the line parser that reads an identity reply out of a
// log pane, fills the identity fields, and hands mode, system, WiFi and access-point
// lines to their pages.
#include <functional>
#include <string>

#include "ui/Controls.h"

namespace bx {

class PortList;
class ModeEntries;
class Settings;
struct SettingsControls;
struct StatusControls;
struct SystemControls;

class Identity {
 public:
  // The identity fields are the status strip's and the System page's Info group; the
  // Settings page gives the log the reply is read from.
  Identity(StatusControls& status, SystemControls& system, SettingsControls& settingsPage, Settings& settings,
           PortList& ports);
  // The mode list that takes the mode lines (none: mode lines are not used).
  void Connect(ModeEntries& modes);

  // Walks the pane's lines up to the first empty line or line beginning with "-". Only in
  // memLog are unused lines removed and the selected-mode pass run.
  void ParsePane(ui::TMemo& pane);
  bool ParseLine(const std::string& line);  // true: used
  void ClearIdentity();
  void SetBatteryText(const std::string& text);
  // The port the replies being parsed came from (the exchange sets it as it opens the
  // port): "SN:" records it as the most recent port. Until one is set, the port selected
  // in cbCOM stands in.
  void SetReplyPort(const std::string& port) { replyPort_ = port; }
  void ClearModes();

  std::string Battery;

  // The readers of the System, WiFi and scan pages.
  std::function<void(const std::string& payload)> systemInfo;
  std::function<void(const std::string& payload)> wifiSettings;
  std::function<void(char third, const std::string& payload)> accessPoint;
  // ClearIdentity: the pages that follow the adapter (WiFi, System, Test, the pass-thru
  // driver group) go back to their empty state.
  std::function<void()> pagesReset;
  // "BW:": the adapter has a bootloader, so it can run its self-test and install a driver.
  std::function<void()> bootwareSeen;
  // "PT:": the version of the pass-thru driver the adapter hands out.
  std::function<void(const std::string& version)> driverOffered;

 private:
  StatusControls& status_;
  SystemControls& system_;
  SettingsControls& page_;
  Settings& settings_;
  PortList& ports_;
  ModeEntries* modes_ = nullptr;
  std::string replyPort_;
};

}  // namespace bx
