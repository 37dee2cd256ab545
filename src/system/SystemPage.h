#pragma once
// The System page: the adapter's hardware options. They travel as one short command
// ("SD%dW%dB%dN%d") and come back as the payload of an "SI:" reply line.
#include <string>
#include <vector>

#include "session/DeviceRecords.h"

namespace bx {

class Exchange;
struct SystemControls;
struct StatusControls;
class WiFiPage;
class WindowServices;

class SystemPage {
 public:
  // The status strip's battery button reads the options too.
  SystemPage(SystemControls& controls, StatusControls& status, Exchange& exchange, WiFiPage& wifi,
             WindowServices& window);
  // Hides the System tab and puts the options on their first choice.
  void Reset();
  // The payload of an "SI:" line: letter/value pairs B, W, N, D and L.
  void SystemInfo(const std::string& payload);
  void Read();  // btSYS_Read, btPower
  void Save();  // btSYS_Save
  // The command text Save sends for the options shown.
  std::string SaveCommand() const;
  // The options as the page shows them.
  SystemOptions Shown() const;
  // The question about options changed and not saved, as the window closes: 1 saved (or
  // on its way), 0 go on, -1 cancel. No question while Save is disabled.
  int PendingChangesPrompt();
  // Whether options changed since they were read or saved (Save is offered then).
  bool Unsaved() const { return unsaved_; }
  // The save the question started: still on its way, and whether it ended unanswered.
  bool Saving() const { return saving_; }
  bool SaveFailed() const { return saveFailed_; }

 private:
  bool unsaved_ = false;
  // Whether the adapter gave its options since the page was last reset (the page is
  // offered then).
  bool offered_ = false;
  void SetUnsaved(bool unsaved);
  // Refused with a line in memSYS while another operation holds the adapter; once its
  // exchange has ended, writes its result in memSYS.
  void SendCommand(const std::string& action, const std::string& suffix, bool save);
  void Report(bool save, const std::string& sent, int infoBefore);

  SystemControls& c_;
  StatusControls& status_;
  Exchange& ex_;
  WiFiPage& wifi_;
  WindowServices& window_;
  bool saving_ = false, saveFailed_ = false;
  int infoLines_ = 0;               // "SI:" lines read so far
  std::vector<std::string> reply_;  // the lines of the last reply to Read or Save
};

}  // namespace bx
