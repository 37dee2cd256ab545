// One PNG per page, for people to look at (the same pages as the Qt window's pictures):
// every page as it opens, hidden tabs shown for the shot, with something in the panes
// and lists so that the pictures show how they read.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "ViewWorld.h"

namespace bx::test {
namespace {

void FillForPictures(TfrmMain& f) {
  f.edHardware.SetText("BX-200");
  f.edBootVer.SetText("1.4");
  f.edVersion.SetText("3.1.7");
  f.edCOM.SetText("COM7");
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
  for (auto [ip, port, name, mac, state] : {std::tuple{"192.168.4.1", "23", "Garage unit", "A0:B1:C2:D3:E4:F5", 8},
                                            {"192.168.4.7", "23", "Bench", "A0:B1:C2:D3:E4:F6", 5}}) {
    auto& it = f.lvNetDevices.Add();
    it.SetCaption(ip);
    it.AddSubItem(port);
    it.AddSubItem(name);
    it.AddSubItem(mac);
    it.SetStateIndex(state);
  }
  auto& ap = f.lvWiFi_Scan_AP.Add();
  ap.SetCaption("Garage");
  for (const char* s : {"-58", "6", "WPA2-PSK", "A0:B1:C2:D3:E4:F5"}) ap.AddSubItem(s);
  ap.SetStateIndex(0);
}

TEST(Win32Screenshots, EveryPageIsSavedAsAPicture) {
  ViewWorld w;
  TfrmMain& f = w.Open();
  BX_NEED_WINDOW(w);
  const std::string folder = ScreenshotFolder();
  std::filesystem::create_directories(folder);
  FillForPictures(f);
  const std::vector<std::pair<ui::TTabSheet*, const char*>> pages = {
      {&f.tsSettings, "1-settings"}, {&f.Update, "2-update"},         {&f.tsNetwork, "3-network"},
      {&f.tsJ2534, "4-passthru"},    {&f.About, "5-about"},           {&f.tsSystem, "6-system"},
      {&f.tsWiFi, "7-wifi"},         {&f.tsWiFi_Scan, "8-wifi-scan"}, {&f.tsTest, "9-test"}};
  for (const auto& [page, name] : pages) {
    w.ShowPage(*page);
    EXPECT_TRUE(::IsWindowVisible(w.Of(*page))) << name;
    const std::string file = folder + "/" + name + ".png";
    EXPECT_TRUE(SavePicture(w.window->Hwnd(), file)) << file;
    EXPECT_TRUE(ShowsSomething(w.Of(*page))) << name << ": the page is one colour";
  }
  // The mode legend, placed as "Show ALL" places it.
  w.ShowPage(f.tsSettings);
  f.cbShow.SetVisible(true);
  f.lvInfo.SetBounds(f.btModeRun.Left(), f.lvInfo.Top(), f.btModeRun.Width(), f.btModeRun.Top() - f.lvInfo.Top());
  f.lvInfo.SetVisible(true);
  PumpPending(w.window.get());
  EXPECT_TRUE(SavePicture(w.window->Hwnd(), folder + "/1-settings-all.png"));
  EXPECT_TRUE(ShowsSomething(w.Of(f.lvInfo))) << "the mode legend is one colour";
}

}  // namespace
}  // namespace bx::test
