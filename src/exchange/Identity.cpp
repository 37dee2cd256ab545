#include "exchange/Identity.h"

#include <vector>

#include "exchange/ModeEntries.h"
#include "exchange/PortList.h"
#include "form/PageControls.h"
#include "form/Settings.h"

namespace bx {

Identity::Identity(StatusControls& status, SystemControls& system, SettingsControls& settingsPage, Settings& settings,
                   PortList& ports)
    : status_(status), system_(system), page_(settingsPage), settings_(settings), ports_(ports) {}

void Identity::Connect(ModeEntries& modes) { modes_ = &modes; }

void Identity::ClearModes() {
  if (modes_) modes_->Clear();
}

void Identity::ParsePane(ui::TMemo& pane) {
  const bool isLog = &pane == &page_.memLog;
  // While the pass runs each pane line is one reply line (no wrapping).
  pane.SetLayout(ui::TMemo::ScrollBars::Both, false);
  // The lines are taken once and the pane is written once: line by line through the
  // pane, a long reply took time in the square of its length.
  const std::vector<std::string> lines = pane.Lines();
  std::vector<std::string> kept;
  std::size_t i = 0;
  for (; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.empty() || line[0] == '-') break;
    if (ParseLine(line) || !isLog) kept.push_back(line);
  }
  if (isLog && kept.size() < i) {
    kept.insert(kept.end(), lines.begin() + static_cast<std::ptrdiff_t>(i), lines.end());
    const bool lineEnd = EndsWith(pane.Text(), "\r\n");
    pane.SetText(kept.empty() ? std::string() : JoinLines(kept) + (lineEnd ? "\r\n" : ""));
  }
  if (isLog && modes_) modes_->SelectedModePass();
  pane.SetLayout(ui::TMemo::ScrollBars::Vertical, true);
}

namespace {
bool Key(const std::string& line, const char* key, std::string& value) {
  if (!StartsWith(line, key)) return false;
  value = line.substr(std::char_traits<char>::length(key));
  return true;
}
}  // namespace

bool Identity::ParseLine(const std::string& line) {
  std::string v;
  if (line.compare(0, 15, "Selected Mode: ") == 0 && line.size() >= 15) return true;
  if (modes_ && modes_->IsModeLine(line)) return modes_->AddModeEntry(line);
  if (StartsWith(line, "USB-")) {
    system_.edCopyRight.SetText(line);
  } else if (Key(line, "CR:", v)) {
    system_.edCopyRight.SetText(v);
  } else if (Key(line, "SN:", v)) {
    status_.edSerial.SetText(v);
    system_.edSYS_Serial.SetText(v);
    // An entry without its port would end every later rank lookup at once.
    const std::string port = replyPort_.empty() ? ports_.SelectedPortName() : replyPort_;
    if (!port.empty()) settings_.RememberPort(port + " " + v);
  } else if (Key(line, "ID:", v)) {
    system_.edSignature.SetText(v);
  } else if (Key(line, "FW:", v)) {
    status_.edVersion.SetText(v);
    system_.edSYS_FW.SetText(v);
  } else if (Key(line, "WW:", v)) {
    system_.edSYS_WiFi.SetText(v);
  } else if (Key(line, "WWS:", v)) {
    system_.edSYS_WiFi.SetText(v);
  } else if (Key(line, "SI:", v)) {
    if (systemInfo) systemInfo(v);
    system_.tsSystem.SetTabVisible(true);
  } else if (Key(line, "WS:", v)) {
    if (wifiSettings) wifiSettings(v);
  } else if (line.size() >= 4 && line[0] == 'A' && line[1] == 'P' && line[3] == ':') {
    if (accessPoint) accessPoint(line[2], line.substr(4));
  } else if (Key(line, "BW:", v)) {
    status_.edBootVer.SetText(v);
    system_.edSYS_BW.SetText(v);
    page_.cbShow.SetVisible(true);
    if (bootwareSeen) bootwareSeen();
  } else if (Key(line, "HW:", v)) {
    status_.edHardware.SetText(v);
    system_.edSYS_Hardware.SetText(v);
  } else if (Key(line, "PT:", v)) {
    if (driverOffered) driverOffered(v);
  } else if (Key(line, "PI:", v) || Key(line, "UI:", v) || Key(line, "PA:", v) || Key(line, "UA:", v)) {
    // Pass-thru and update flags the program does not act on: taken out of the log.
  } else if (Key(line, "UB:", v)) {
    SetBatteryText(v);
  } else {
    return false;
  }
  return true;
}

void Identity::SetBatteryText(const std::string& text) {
  Battery = text;
  status_.edBattery.SetText(text);
  const bool shown = !text.empty();
  status_.lbBattery.SetVisible(shown);
  status_.edBattery.SetVisible(shown);
  status_.btPower.SetVisible(shown);
}

void Identity::ClearIdentity() {
  ClearModes();
  for (ui::TTextControl* t :
       std::initializer_list<ui::TTextControl*>{&page_.edModeRun, &status_.edSerial, &system_.edSYS_Serial})
    t->SetText("");
  if (pagesReset) pagesReset();
  page_.cbShow.SetVisible(false);
  system_.edCopyRight.SetText("");
  SetBatteryText("");
  for (ui::TEdit* e :
       {&system_.edSignature, &status_.edVersion, &status_.edBootVer, &status_.edHardware, &system_.edSYS_Hardware})
    e->SetText("");
}

}  // namespace bx
