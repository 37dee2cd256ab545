#include "exchange/Identity.h"

#include <vector>

#include "exchange/ModeEntries.h"
#include "exchange/PortList.h"
#include "form/Unitmain.h"

namespace bx {

Identity::Identity(TfrmMain& form, PortList& ports) : f_(form), ports_(ports) {}

void Identity::Connect(ModeEntries& modes) { modes_ = &modes; }

void Identity::ClearModes() {
  if (modes_) modes_->Clear();
}

void Identity::ParsePane(ui::TMemo& pane) {
  const bool isLog = &pane == &f_.memLog;
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
    f_.edCopyRight.SetText(line);
  } else if (Key(line, "CR:", v)) {
    f_.edCopyRight.SetText(v);
  } else if (Key(line, "SN:", v)) {
    f_.edSerial.SetText(v);
    f_.edSYS_Serial.SetText(v);
    const std::string entry = ports_.SelectedPortName() + " " + v;
    f_.settings.RememberPort(entry);
  } else if (Key(line, "ID:", v)) {
    f_.edSignature.SetText(v);
  } else if (Key(line, "FW:", v)) {
    f_.edVersion.SetText(v);
    f_.edSYS_FW.SetText(v);
  } else if (Key(line, "WW:", v)) {
    f_.edSYS_WiFi.SetText(v);
  } else if (Key(line, "WWS:", v)) {
    f_.edSYS_WiFi.SetText(v);
  } else if (Key(line, "SI:", v)) {
    if (systemInfo) systemInfo(v);
    f_.tsSystem.SetTabVisible(true);
  } else if (Key(line, "WS:", v)) {
    if (wifiSettings) wifiSettings(v);
  } else if (line.size() >= 4 && line[0] == 'A' && line[1] == 'P' && line[3] == ':') {
    if (accessPoint) accessPoint(line[2], line.substr(4));
  } else if (Key(line, "BW:", v)) {
    f_.edBootVer.SetText(v);
    f_.edSYS_BW.SetText(v);
    f_.tsTest.SetTabVisible(true);
    f_.cbShow.SetVisible(true);
    f_.passThru.pbJ2534_Install.SetVisible(true);
  } else if (Key(line, "HW:", v)) {
    f_.edHardware.SetText(v);
    f_.edSYS_Hardware.SetText(v);
  } else if (Key(line, "PT:", v)) {
    f_.PassThruDriverVersion = v;
    f_.passThru.btJ2534_Install.SetCaption("Install Driver v" + v);
    f_.passThru.btJ2534_Install.SetEnabled(true);
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
  f_.edBattery.SetText(text);
  const bool shown = !text.empty();
  f_.lbBattery.SetVisible(shown);
  f_.edBattery.SetVisible(shown);
  f_.btPower.SetVisible(shown);
}

void Identity::ClearIdentity() {
  ClearModes();
  for (ui::TTextControl* t : std::initializer_list<ui::TTextControl*>{&f_.edModeRun, &f_.edSerial, &f_.edSYS_Serial,
                                                                      &f_.memLogTest, &f_.edTest_Result})
    t->SetText("");
  f_.shpTest_Result.SetBrushColor(ui::clr::ScrollBar);
  for (ui::TShape* s : {&f_.shpTest_Result_1, &f_.shpTest_Result_2, &f_.shpTest_Result_3}) {
    s->SetBrushColor(ui::clr::ScrollBar);
    s->SetVisible(false);
  }
  f_.tsTest.SetTabVisible(false);
  if (pagesReset) pagesReset();
  f_.cbShow.SetVisible(false);
  f_.passThru.lbJ2534_Message.SetVisible(false);
  f_.passThru.btJ2534_Install.SetEnabled(false);
  f_.passThru.pbJ2534_Install.SetVisible(false);
  f_.passThru.shJ2534_Install.SetVisible(false);
  f_.edCopyRight.SetText("");
  SetBatteryText("");
  for (ui::TEdit* e : {&f_.edSignature, &f_.edVersion, &f_.edBootVer, &f_.edHardware, &f_.edSYS_Hardware})
    e->SetText("");
}

}  // namespace bx
