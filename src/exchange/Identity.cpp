#include "exchange/Identity.h"

#include <vector>

#include "exchange/ModeEntries.h"
#include "exchange/PortList.h"
#include "form/PageControls.h"
#include "settings/Settings.h"
#include "session/AdapterSession.h"

namespace bx {

Identity::Identity(AdapterSession& session, StatusControls& status, SystemControls& system,
                   SettingsControls& settingsPage, Settings& settings, PortList& ports)
    : status_(status), system_(system), page_(settingsPage), settings_(settings), ports_(ports), session_(session) {}

void Identity::Connect(ModeEntries& modes) { modes_ = &modes; }

void Identity::ClearModes() {
  session_.ClearModes();
  if (modes_) modes_->Clear();
}

void Identity::ShowReply(const std::string& reply) {
  ui::TMemo& log = page_.memLog;
  // While the reply is read each log line is one reply line (no wrapping).
  log.SetLayout(ui::TMemo::ScrollBars::Both, false);
  const std::vector<std::string> lines = CrLfLines(reply);
  const std::size_t record = RecordLines(lines).size();
  std::vector<std::string> kept;
  for (std::size_t i = 0; i < record; ++i)
    if (TakeLine(lines[i])) kept.push_back(lines[i]);
  // The log is written once: line by line, a long reply took time in the square of its
  // length.
  if (kept.size() < record) {
    kept.insert(kept.end(), lines.begin() + static_cast<std::ptrdiff_t>(record), lines.end());
    log.SetText(kept.empty() ? std::string() : JoinLines(kept) + (EndsWith(reply, "\r\n") ? "\r\n" : ""));
  } else {
    log.SetText(reply);
  }
  if (modes_) session_.SetRunningMode(modes_->SelectedModePass(SelectedModeTexts(lines)));
  log.SetLayout(ui::TMemo::ScrollBars::Vertical, true);
}

void Identity::TakeRecordLines(const std::vector<std::string>& lines) {
  for (const std::string& line : RecordLines(lines)) TakeLine(line);
}

bool Identity::TakeLine(const std::string& line) {
  const ReplyLine r = ReadReplyLine(line, modes_ != nullptr);
  session_.Take(r, line);
  const std::string& v = r.value;
  switch (r.key) {
    case ReplyKey::Other:
      return false;
    case ReplyKey::SelectedMode:
      break;
    case ReplyKey::Mode:
      return modes_->AddModeEntry(line);
    case ReplyKey::Rights:
      system_.edCopyRight.SetText(v);
      break;
    case ReplyKey::Serial: {
      status_.edSerial.SetText(v);
      system_.edSYS_Serial.SetText(v);
      // The session tells the serial number; the recent-port list is the settings'. An
      // entry without its port would end every later rank lookup at once.
      const std::string port = replyPort_.empty() ? ports_.SelectedPortName() : replyPort_;
      if (!port.empty()) settings_.RememberPort(port + " " + v);
      break;
    }
    case ReplyKey::Signature:
      system_.edSignature.SetText(v);
      break;
    case ReplyKey::Firmware:
      status_.edVersion.SetText(v);
      system_.edSYS_FW.SetText(v);
      break;
    case ReplyKey::WiFiVersion:
      system_.edSYS_WiFi.SetText(v);
      break;
    case ReplyKey::SystemOptions:
      if (pages_) pages_->SystemInfo(v);
      system_.tsSystem.SetTabVisible(true);
      break;
    case ReplyKey::WiFiRecord:
      if (pages_) pages_->WiFiRecord(v);
      break;
    case ReplyKey::AccessPoint:
      if (pages_) pages_->AccessPoint(r.third, v);
      break;
    case ReplyKey::Bootware:
      status_.edBootVer.SetText(v);
      system_.edSYS_BW.SetText(v);
      page_.cbShow.SetVisible(true);
      if (pages_) pages_->BootwareSeen();
      break;
    case ReplyKey::Hardware:
      status_.edHardware.SetText(v);
      system_.edSYS_Hardware.SetText(v);
      break;
    case ReplyKey::PassThru:
      if (pages_) pages_->DriverOffered(v);
      break;
    case ReplyKey::Flag:
      // Pass-thru and update flags the program does not act on: taken out of the log.
      break;
    case ReplyKey::Battery:
      ShowBattery(v);
      break;
  }
  return true;
}

void Identity::ShowBattery(const std::string& text) {
  status_.edBattery.SetText(text);
  const bool shown = !text.empty();
  status_.lbBattery.SetVisible(shown);
  status_.edBattery.SetVisible(shown);
  status_.btPower.SetVisible(shown);
}

void Identity::ClearIdentity() {
  session_.ClearIdentity();
  ClearModes();
  if (modes_)
    modes_->ForgetProgram();
  else
    page_.edModeRun.SetText("");
  for (ui::TTextControl* t : std::initializer_list<ui::TTextControl*>{&status_.edSerial, &system_.edSYS_Serial})
    t->SetText("");
  if (pages_) pages_->PagesReset();
  page_.cbShow.SetVisible(false);
  system_.edCopyRight.SetText("");
  ShowBattery("");
  for (ui::TEdit* e :
       {&system_.edSignature, &status_.edVersion, &status_.edBootVer, &status_.edHardware, &system_.edSYS_Hardware})
    e->SetText("");
}

}  // namespace bx
