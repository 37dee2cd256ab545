#pragma once
// The adapter's identity record on screen: each line of a reply, read by the session's
// parser, goes into the session and is shown in the identity fields; mode, system, WiFi
// and access-point lines go to their pages; the reply is shown in memLog without the
// lines that are no part of the record.
#include <functional>
#include <string>

#include "session/ReplyLines.h"
#include "ui/Controls.h"

namespace bx {

class AdapterSession;
class PortList;
class ModeEntries;
class Settings;
struct SettingsControls;
struct StatusControls;
struct SystemControls;

// What the pages that follow the adapter take from its identity record.
class IdentityPages {
 public:
  virtual ~IdentityPages() = default;
  // The readers of the System, WiFi and scan pages: "SI:", "WS:" and "APx:" lines.
  virtual void SystemInfo(const std::string& payload) = 0;
  virtual void WiFiRecord(const std::string& payload) = 0;
  virtual void AccessPoint(char third, const std::string& payload) = 0;
  // ClearIdentity: the pages (WiFi, System, Test, the pass-thru driver group) go back to
  // their empty state.
  virtual void PagesReset() = 0;
  // "BW:": the adapter has a bootloader, so it can run its self-test and install a driver.
  virtual void BootwareSeen() = 0;
  // "PT:": the version of the pass-thru driver the adapter hands out.
  virtual void DriverOffered(const std::string& version) = 0;
};

class Identity {
 public:
  // The identity fields are the status strip's and the System page's Info group; the
  // Settings page gives the log the reply is read from.
  Identity(AdapterSession& session, StatusControls& status, SystemControls& system, SettingsControls& settingsPage,
           Settings& settings, PortList& ports);
  // The mode list that takes the mode lines (none: mode lines are not used).
  void Connect(ModeEntries& modes);

  // A reply shown in memLog, in place of what the log held. The lines up to the first empty line or line beginning with "-" are the record's;
  // those of them that are no part of it leave the log, which is written once, and the
  // "Selected Mode: " lines pick the running mode.
  void ShowReply(const std::string& reply);
  // The record's lines of another log (the self-test's): taken and shown in the fields,
  // the log itself left as it is.
  void TakeRecordLines(const std::vector<std::string>& lines);
  bool TakeLine(const std::string& line);  // true: used
  void ClearIdentity();
  // The battery field as the session has it (hidden without a battery reading).
  void ShowBattery(const std::string& text);
  // The port the replies being parsed came from (the exchange sets it as it opens the
  // port): "SN:" records it as the most recent port. Until one is set, the port selected
  // in cbCOM stands in.
  void SetReplyPort(const std::string& port) { replyPort_ = port; }
  void ClearModes();

  // The pages that follow the adapter (the window connects them once they are made).
  void Connect(IdentityPages& pages) { pages_ = &pages; }

 private:
  StatusControls& status_;
  SystemControls& system_;
  SettingsControls& page_;
  Settings& settings_;
  PortList& ports_;
  AdapterSession& session_;
  IdentityPages* pages_ = nullptr;
  ModeEntries* modes_ = nullptr;
  std::string replyPort_;
};

}  // namespace bx
