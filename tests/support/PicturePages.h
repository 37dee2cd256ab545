#pragma once
// What the page pictures of both windows show: something in the panes and lists, so that
// the pictures show how they read, and the pages in tab order with their file names.
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "netdev/NetworkPage.h"
#include "window/Modules.h"
#include "window/Unitmain.h"

namespace bx::test {

inline void FillForPictures(TfrmMain& f, const std::string& port) {
  f.edHardware.SetText("BX-200");
  f.edBootVer.SetText("1.4");
  f.edVersion.SetText("3.1.7");
  f.edCOM.SetText(port);
  f.edSerial.SetText("00012345");
  f.memLog.SetText("SN:00012345\r\nFW:3.1.7\r\nSelected Mode: 01\r\n");
  for (auto [n, id, text, state] : {std::tuple{"00", "00", "Adapter default mode", 1},
                                    {"01", "01", "SAE J2534 pass-thru", 0},
                                    {"02", "02", "OBD command emulation", -1},
                                    {"03", "0A", "Vendor diagnostics", 2}}) {
    auto& it = f.lvModes.Add();
    it.SetCaption(n);
    it.AddSubItem(id);
    it.AddSubItem(text);
    it.SetStateIndex(state);
  }
  for (auto [ip, tcpPort, name, mac, state] : {std::tuple{"192.168.4.1", "23", "Garage unit", "A0:B1:C2:D3:E4:F5", 8},
                                               {"192.168.4.7", "23", "Bench", "A0:B1:C2:D3:E4:F6", 5}}) {
    f.Modules->network->RecordDevice({name, mac, ip, tcpPort}, state);
  }
  auto& ap = f.lvWiFi_Scan_AP.Add();
  ap.SetCaption("Garage");
  for (const char* s : {"-58", "6", "WPA2-PSK", "A0:B1:C2:D3:E4:F5"}) ap.AddSubItem(s);
  ap.SetStateIndex(0);
}

inline std::vector<std::pair<ui::TTabSheet*, const char*>> PicturePages(TfrmMain& f) {
  return {{&f.tsSettings, "1-settings"}, {&f.Update, "2-update"},         {&f.tsNetwork, "3-network"},
          {&f.tsJ2534, "4-passthru"},    {&f.About, "5-about"},           {&f.tsSystem, "6-system"},
          {&f.tsWiFi, "7-wifi"},         {&f.tsWiFi_Scan, "8-wifi-scan"}, {&f.tsTest, "9-test"}};
}

}  // namespace bx::test
