// The window's design layout: positions and sizes of the controls in pixels, each
// relative to its parent, in the fixed 714 x 424 client area. The page control takes
// the top, the status strip the bottom 52 pixels. A page's client area is 710 x 345,
// its origin at (2, 25) in the page control (the tab row above it).
#include "form/Layout.h"
#include "window/Unitmain.h"

namespace bx {

namespace {

constexpr int kPageX = 2, kPageY = 25;  // a page's client origin in the form
constexpr int kEditH = 22, kButtonH = 25, kCheckH = 19;
constexpr int kGroupTop = 24;  // the first row inside a group, below its caption
constexpr int kMarqueeH = 3;   // the busy bar above the status strip's first row (which starts 3 down)

// A caption label before its field: labels sit 4 pixels below the field's top, so that
// their text lines up with the text in the field.
void Field(ui::TLabel& label, ui::TControl& field, int x, int y, int fieldX, int fieldW) {
  label.SetBounds(x, y + 4, fieldX - x - 4, 14);
  field.SetBounds(fieldX, y, fieldW, kEditH);
}

void SettingsPage(TfrmMain& f) {
  f.gbPort.SetBounds(4, 2, 702, 56);
  f.cbCOM.SetBounds(8, 26, 430, kEditH);
  f.btPortProp.SetBounds(442, 25, 26, 24);
  f.btSearch.SetBounds(472, 25, 86, 24);
  f.cbShow.SetBounds(570, 28, 120, kCheckH);

  // The mode list with a column of buttons on its right; the legend lvInfo is shown in
  // that column with "Show ALL", sized from its own top down to "Run".
  f.gbOptions.SetBounds(4, 62, 702, 190);
  f.lvModes.SetBounds(8, kGroupTop, 590, 128);
  // "#" carries the state image before the number.
  f.lvModes.Columns[0].width = 56;
  f.lvModes.Columns[1].width = 40;
  f.lvModes.Columns[2].width = 470;  // the rest of the list, beside a scroll bar
  f.btModeSelect.SetBounds(606, kGroupTop, 88, kButtonH);
  f.btModeHide.SetBounds(606, 53, 88, kButtonH);
  f.lvInfo.SetBounds(606, 82, 88, 70);
  f.btModeRun.SetBounds(606, 157, 88, kButtonH);
  Field(f.lbModeRun, f.edModeRun, 8, 158, 66, 458);
  f.btModeFile.SetBounds(528, 157, 34, 24);
  f.btModeFileDel.SetBounds(566, 157, 32, 24);

  f.memLog.SetBounds(4, 256, 604, 85);
  f.btCopy.SetBounds(612, 256, 94, kButtonH);
}

void UpdatePage(TfrmMain& f) {
  f.gbUpdate.SetBounds(4, 2, 702, 339);
  f.rbUploadFW.SetBounds(10, 26, 200, kCheckH);
  Field(f.Label5, f.edFW_File, 10, 54, 44, 540);
  f.btFW_File.SetBounds(588, 53, 30, 24);
  f.btUpdateRun.SetBounds(624, 53, 70, 24);
  f.ckbNotSearch.SetBounds(44, 84, 130, kCheckH);
  f.ckbWait.SetBounds(184, 84, 80, kCheckH);
  f.btReset.SetBounds(624, 82, 70, 24);
  f.pbUpdateProgress.SetBounds(10, 114, 684, 18);
  f.edUpdateSatus.SetBounds(10, 138, 684, kEditH);
  f.memUpdate.SetBounds(10, 166, 684, 165);
}

void NetworkPage(TfrmMain& f) {
  f.btUDP_Search.SetBounds(4, 4, 86, kButtonH);
  f.pbUDP.SetBounds(96, 8, 350, 17);
  f.ListView1.SetBounds(456, 3, 250, 27);  // the legend: New, Found, Disabled
  f.lvNetDevices.SetBounds(4, 34, 702, 150);

  f.gbNetwork_Device.SetBounds(4, 188, 300, 153);
  Field(f.lbNetwork_IP, f.edNetwork_IP, 8, kGroupTop, 52, 240);
  Field(f.lbNetwork_Port, f.edNetwork_Port, 8, 54, 52, 240);
  Field(f.lbNetwork_Name, f.edNetwork_Name, 8, 84, 52, 240);
  f.btNetwork_Add.SetBounds(52, 116, 80, kButtonH);
  f.btNetwork_Update.SetBounds(138, 116, 80, kButtonH);

  // Actions on the selected row, and the list's Save, level with the group's frame.
  int y = 206;
  for (ui::TButton* b : {&f.btNetwork_Find, &f.btNetwork_Config, &f.btNetwork_Delete,
                         &f.btNetwork_State, &f.btNetwork_Save}) {
    b->SetBounds(312, y, 80, kButtonH);
    y += 27;
  }
  f.memLog_Network.SetBounds(400, 206, 306, 104);
  f.btCopy_Network.SetBounds(612, 316, 94, kButtonH);
}

void PassThruPage(TfrmMain& f) {
  f.gbJ2534_Devices.SetBounds(4, 2, 702, 232);
  f.cbJ2534_Devices.SetBounds(8, kGroupTop, 500, kEditH);
  f.btJ2534_Refresh.SetBounds(512, 23, 84, 24);
  Field(f.lbJ2534_Config, f.edJ2534_Config, 8, 52, 62, 534);
  Field(f.lbJ2534_DLL, f.edJ2534_DLL, 8, 78, 62, 534);
  Field(f.lbJ2534_Name, f.edJ2534_Name, 8, 104, 62, 534);
  f.memJ2534.SetBounds(8, 132, 588, 92);
  int y = 23;
  for (ui::TButton* b : {&f.btJ2534_Load, &f.btJ2534_Open, &f.btJ2534_Version,
                         &f.btJ2534_Config, &f.btJ2534_Info}) {
    b->SetBounds(604, y, 90, kButtonH);
    y += 28;
  }
  f.btJ2534_Copy.SetBounds(604, 199, 90, kButtonH);

  f.GroupBox_Driver.SetBounds(4, 238, 702, 103);
  f.btJ2534_Version_Check.SetBounds(8, 25, 104, kButtonH);
  Field(f.lbJ2534_Version_DLL, f.edJ2534_Version_DLL, 120, 26, 178, 160);
  f.shJ2534_Version_DLL.SetBounds(344, 27, 20, 20);
  f.lbJ2534_Message.SetBounds(372, 30, 140, 14);
  f.shJ2534_Install.SetBounds(520, 27, 20, 20);
  f.btJ2534_Install.SetBounds(546, 25, 148, kButtonH);
  f.pbJ2534_Install.SetBounds(8, 66, 686, 18);
}

void AboutPage(TfrmMain& f) {
  f.GroupBox1.SetBounds(4, 2, 702, 339);
  // The logo centred at the top, the texts in a block on the logo's left edge.
  constexpr int x = (702 - 320) / 2;
  f.imgLogo.SetBounds(x, 12, 320, 120);
  f.lbName.SetBounds(x, 140, 320, 24);
  f.lbVersion.SetBounds(x, 168, 320, 17);
  f.lbCopy.SetBounds(x, 188, 320, 17);
  f.Label8.SetBounds(x, 216, 100, 16);
  f.lbRef.SetBounds(x + 110, 213, 210, 20);
  f.Label9.SetBounds(x, 240, 100, 16);
  f.lbMail.SetBounds(x + 110, 237, 210, 20);
  f.lbRef_Over.SetBounds(x + 110, 213, 210, 20);  // style templates, never shown
  f.lbRef_Off.SetBounds(x + 110, 213, 210, 20);
  f.memAbout.SetBounds(8, 266, 686, 65);
}

void SystemPage(TfrmMain& f) {
  f.gbSYS_Hardware.SetBounds(4, 2, 440, 116);
  f.rgSYS_Wireless.SetBounds(8, kGroupTop, 130, 84);
  f.rgSYS_Bluetooth.SetBounds(146, kGroupTop, 130, 84);
  f.btWiFi_Update.SetBounds(286, 34, 146, kButtonH);
  f.btWiFi_Factory_Reset.SetBounds(286, 66, 146, kButtonH);

  f.gbSYS_General.SetBounds(4, 122, 440, 128);
  f.rgSYS_WiFi.SetBounds(8, kGroupTop, 424, 78);
  f.cbSYS_MSD.SetBounds(14, 106, 300, kCheckH);

  f.btSYS_Read.SetBounds(4, 256, 86, kButtonH);
  f.btSYS_Save.SetBounds(96, 256, 86, kButtonH);

  f.gbSYS_Info.SetBounds(450, 2, 256, 248);
  int y = kGroupTop;
  for (auto [label, edit] : {std::pair<ui::TLabel*, ui::TEdit*>{&f.lbSYS_BW, &f.edSYS_BW},
                             {&f.lbSYS_FW, &f.edSYS_FW},
                             {&f.lbSYS_Hardware, &f.edSYS_Hardware},
                             {&f.lbSignature, &f.edSignature},
                             {&f.lbCopyRight, &f.edCopyRight},
                             {&f.lbSYS_Serial, &f.edSYS_Serial},
                             {&f.lbSYS_WiFi, &f.edSYS_WiFi}}) {
    Field(*label, *edit, 8, y, 100, 148);
    y += 30;
  }
  f.memSYS.SetBounds(4, 286, 702, 55);
}

void WiFiPage(TfrmMain& f) {
  f.gbWiFi_General.SetBounds(4, 2, 216, 112);
  Field(f.lbWiFi_ID, f.edWiFi_ID, 8, kGroupTop, 82, 126);
  Field(f.lbWiFi_Alias, f.edWiFi_Alias, 8, 52, 82, 126);
  Field(f.lbWiFi_Firmware, f.edWiFi_Firmware, 8, 80, 82, 126);

  f.gbWiFi_Bridge.SetBounds(4, 120, 216, 86);
  Field(f.lbWiFi_Bridge_Port, f.edWiFi_Bridge_Port, 8, kGroupTop, 104, 104);
  Field(f.lbWiFi_Webserver_Port, f.edWiFi_Webserver_Port, 8, 52, 104, 104);

  f.lbWiFi_Status.SetBounds(6, 230, 212, 14);
  f.btWiFi_Read.SetBounds(4, 256, 216, kButtonH);
  f.btWiFi_Save.SetBounds(4, 286, 216, kButtonH);
  f.btWiFi_Scan.SetBounds(4, 316, 216, kButtonH);

  // SoftAP and Station side by side, one field a row, the two check boxes of each
  // group on its first row.
  constexpr int kStep = 34, kLabelX = 8, kFieldX = 66, kFieldW = 164;
  auto row = [](int k) { return kGroupTop + kStep * k; };
  f.gbWiFi_AP.SetBounds(226, 2, 238, 339);
  f.cbWiFi_AP_Enabled.SetBounds(kLabelX, row(0) + 2, 90, kCheckH);
  f.cbWiFi_AP_Hidden.SetBounds(120, row(0) + 2, 90, kCheckH);
  Field(f.lbWiFi_AP_MAC, f.edWiFi_AP_MAC, kLabelX, row(1), kFieldX, kFieldW);
  Field(f.lbWiFi_AP_SSID, f.edWiFi_AP_SSID, kLabelX, row(2), kFieldX, kFieldW);
  Field(f.lbWiFi_AP_Password, f.edWiFi_AP_Password, kLabelX, row(3), kFieldX, 106);
  f.cbWiFi_AP_Password.SetBounds(kFieldX + 112, row(3) + 2, 56, kCheckH);
  Field(f.lbWiFi_AP_Channel, f.cbWiFi_AP_Channel, kLabelX, row(4), kFieldX, kFieldW);
  Field(f.lbWiFi_AP_Security, f.cbWiFi_AP_Security, kLabelX, row(5), kFieldX, kFieldW);
  Field(f.lbWiFi_AP_IP, f.edWiFi_AP_IP, kLabelX, row(6), kFieldX, kFieldW);
  Field(f.lbWiFi_AP_Mask, f.edWiFi_AP_Mask, kLabelX, row(7), kFieldX, kFieldW);
  Field(f.lbWiFi_AP_Gateway, f.edWiFi_AP_Gateway, kLabelX, row(8), kFieldX, kFieldW);

  f.gbWiFi_Station.SetBounds(468, 2, 238, 339);
  f.cbWiFi_Station_Enabled.SetBounds(kLabelX, row(0) + 2, 90, kCheckH);
  f.cbWiFi_Station_DHCP.SetBounds(120, row(0) + 2, 110, kCheckH);
  Field(f.lbWiFi_Station_MAC, f.edWiFi_Station_MAC, kLabelX, row(1), kFieldX, kFieldW);
  Field(f.lbWiFi_Station_SSID, f.edWiFi_Station_SSID, kLabelX, row(2), kFieldX, kFieldW);
  Field(f.lbWiFi_Station_Password, f.edWiFi_Station_Password, kLabelX, row(3), kFieldX, 106);
  f.cbWiFi_Station_Password.SetBounds(kFieldX + 112, row(3) + 2, 56, kCheckH);
  Field(f.lbWiFi_Station_IP, f.edWiFi_Station_IP, kLabelX, row(4), kFieldX, kFieldW);
  Field(f.lbWiFi_Station_Mask, f.edWiFi_Station_Mask, kLabelX, row(5), kFieldX, kFieldW);
  Field(f.lbWiFi_Station_Gateway, f.edWiFi_Station_Gateway, kLabelX, row(6), kFieldX, kFieldW);
  Field(f.lbWiFi_Station_DNS0, f.edWiFi_Station_DNS0, kLabelX, row(7), kFieldX, kFieldW);
  Field(f.lbWiFi_Station_DNS1, f.edWiFi_Station_DNS1, kLabelX, row(8), kFieldX, kFieldW);
}

void WiFiScanPage(TfrmMain& f) {
  f.lvWiFi_Scan_AP.SetBounds(4, 4, 600, 220);
  f.btWiFi_Scan_Select.SetBounds(612, 4, 94, kButtonH);
  f.btWiFi_Scan_Run.SetBounds(612, 33, 94, kButtonH);
  f.btWiFi_Scan_Cancel.SetBounds(612, 62, 94, kButtonH);
  f.memLogWiFi.SetBounds(4, 230, 600, 111);
  f.btCopyWiFi.SetBounds(612, 230, 94, kButtonH);
}

void TestPage(TfrmMain& f) {
  f.btRunTest.SetBounds(4, 4, 86, kButtonH);
  Field(f.lbTest_Result, f.edTest_Result, 98, 5, 196, 90);
  // The verdict of the last run and, beside it, the three before it in ever smaller
  // circles, all centred on one line.
  int x = 296;
  for (ui::TShape* s : {&f.shpTest_Result, &f.shpTest_Result_1, &f.shpTest_Result_2, &f.shpTest_Result_3}) {
    const int d = s->Width();
    s->SetBounds(x, 4 + (25 - d) / 2, d, d);
    x += d + 5;
  }
  f.edTest_Params.SetBounds(420, 5, 150, kEditH);
  f.memLogTest.SetBounds(4, 34, 604, 307);
  f.btCopyTest.SetBounds(612, 34, 94, kButtonH);
}

// Two rows of three fields; the battery field (shown only for adapters that report
// one) comes last, so that while it is hidden the strip has no hole.
void StatusStrip(TfrmMain& f) {
  constexpr int kStripY = 372;
  f.pnStatus.SetBounds(0, kStripY, 714, 52);
  constexpr int kRow1 = 3, kRow2 = 27;
  Field(f.lbHardware, f.edHardware, 6, kRow1, 94, 140);
  Field(f.lbBootVer, f.edBootVer, 246, kRow1, 334, 140);
  Field(f.lbFirmware, f.edVersion, 486, kRow1, 574, 134);
  Field(f.lbCOM, f.edCOM, 6, kRow2, 94, 140);
  Field(f.lbSerial, f.edSerial, 246, kRow2, 334, 140);
  Field(f.lbBattery, f.edBattery, 486, kRow2, 574, 72);
  // btPower is a child of the form: it stands beside the battery field it belongs to.
  f.btPower.SetBounds(650, kStripY + kRow2, 58, 22);
  // Never shown: the last device command, kept where the battery field is.
  f.edCOMM_Command.SetBounds(486, kStripY + kRow2, 222, kEditH);
}

}  // namespace

void ApplyLayout(TfrmMain& f) {
  f.pcOptions.SetBounds(0, 0, 714, 372);
  SettingsPage(f);
  UpdatePage(f);
  NetworkPage(f);
  PassThruPage(f);
  AboutPage(f);
  SystemPage(f);
  WiFiPage(f);
  WiFiScanPage(f);
  TestPage(f);
  StatusStrip(f);
  // The exchange's marquee runs as a thin bar along the top edge of the status strip,
  // above its fields: in view whatever page is shown, and covering none of them.
  f.bpConnect.SetBounds(f.pnStatus.Left(), f.pnStatus.Top(), f.pnStatus.Width(), kMarqueeH);
}

}  // namespace bx
