#pragma once
// The window's controls, one struct per page and one for the status strip. TfrmMain is
// made of them, so every control keeps its own name on the window (form.btSearch), and a
// page's module is handed its page's struct alone, not the whole window.
//
// Each page struct owns its tab sheet, built on the page control it is given; the
// window builds them in tab order. The controls of a struct are declared in the order
// the view lays them out and Tab walks them.
#include "core/Captions.h"
#include "ui/Controls.h"

namespace bx {

// Settings page: port choice, mode list, log.
struct SettingsControls {
  explicit SettingsControls(ui::TPageControl& pages) : tsSettings("tsSettings", &pages, "Settings") {}
  ui::TTabSheet tsSettings;
  ui::TGroupBox gbPort{"gbPort", &tsSettings, " Communication Port "};
  ui::TComboBox cbCOM{"cbCOM", &gbPort};
  ui::TButton btPortProp{"btPortProp", &gbPort, "?"};
  ui::TButton btSearch{"btSearch", &gbPort, "Search"};
  ui::TCheckBox cbShow{"cbShow", &gbPort, "Show ALL"};
  ui::TGroupBox gbOptions{"gbOptions", &tsSettings, " Adapter Modes "};
  ui::TListView lvModes{"lvModes", &gbOptions, {{"#", 40}, {"ID", 40}, {"Description", 475}}};
  ui::TListView lvInfo{"lvInfo", &gbOptions};
  ui::TButton btModeSelect{"btModeSelect", &gbOptions, "Select"};
  ui::TButton btModeHide{"btModeHide", &gbOptions, "Hide"};
  ui::TLabel lbModeRun{"lbModeRun", &gbOptions, "Program:"};
  ui::TEdit edModeRun{"edModeRun", &gbOptions};
  ui::TButton btModeFile{"btModeFile", &gbOptions, "..."};
  ui::TButton btModeFileDel{"btModeFileDel", &gbOptions, "X"};
  ui::TButton btModeRun{"btModeRun", &gbOptions, "Run"};
  ui::TMemo memLog{"memLog", &tsSettings};
  ui::TButton btCopy{"btCopy", &tsSettings, "Copy to Buffer"};
};

// Update page.
struct UpdateControls {
  explicit UpdateControls(ui::TPageControl& pages) : Update("Update", &pages, "Update") {}
  ui::TTabSheet Update;
  ui::TGroupBox gbUpdate{"gbUpdate", &Update, " Firmware "};
  ui::TRadioButton rbUploadFW{"rbUploadFW", &gbUpdate, "Upload New Firmware"};
  ui::TLabel Label5{"Label5", &gbUpdate, "File:"};
  ui::TEdit edFW_File{"edFW_File", &gbUpdate};
  ui::TButton btFW_File{"btFW_File", &gbUpdate, "..."};
  ui::TButton btUpdateRun{"btUpdateRun", &gbUpdate, "Run"};
  ui::TCheckBox ckbNotSearch{"ckbNotSearch", &gbUpdate, "Do not Search"};
  ui::TCheckBox ckbWait{"ckbWait", &gbUpdate, "Wait"};
  ui::TProgressBar pbUpdateProgress{"pbUpdateProgress", &gbUpdate};
  ui::TEdit edUpdateSatus{"edUpdateSatus", &gbUpdate};
  ui::TMemo memUpdate{"memUpdate", &gbUpdate};
  ui::TButton btReset{"btReset", &gbUpdate, "Reset"};
};

// Network page.
struct NetworkControls {
  explicit NetworkControls(ui::TPageControl& pages) : tsNetwork("tsNetwork", &pages, "Network") {}
  ui::TTabSheet tsNetwork;
  ui::TButton btUDP_Search{"btUDP_Search", &tsNetwork, "Search"};
  ui::TProgressBar pbUDP{"pbUDP", &tsNetwork};
  ui::TListView lvNetDevices{"lvNetDevices", &tsNetwork, {{"IP", 120}, {"Port", 50}, {"Name", 275}, {"MAC", 110}}};
  ui::TListView ListView1{"ListView1", &tsNetwork};
  ui::TGroupBox gbNetwork_Device{"gbNetwork_Device", &tsNetwork, " Device "};
  ui::TLabel lbNetwork_IP{"lbNetwork_IP", &gbNetwork_Device, "IP:"};
  ui::TEdit edNetwork_IP{"edNetwork_IP", &gbNetwork_Device};
  ui::TLabel lbNetwork_Port{"lbNetwork_Port", &gbNetwork_Device, "Port:"};
  ui::TEdit edNetwork_Port{"edNetwork_Port", &gbNetwork_Device};
  ui::TLabel lbNetwork_Name{"lbNetwork_Name", &gbNetwork_Device, "Name:"};
  ui::TEdit edNetwork_Name{"edNetwork_Name", &gbNetwork_Device};
  ui::TButton btNetwork_Add{"btNetwork_Add", &gbNetwork_Device, "Add"};
  ui::TButton btNetwork_Update{"btNetwork_Update", &gbNetwork_Device, "Update"};
  ui::TButton btNetwork_Find{"btNetwork_Find", &tsNetwork, "Find"};
  ui::TButton btNetwork_Config{"btNetwork_Config", &tsNetwork, "Config"};
  ui::TButton btNetwork_Delete{"btNetwork_Delete", &tsNetwork, "Delete"};
  ui::TButton btNetwork_State{"btNetwork_State", &tsNetwork, "Disable"};
  ui::TButton btNetwork_Save{"btNetwork_Save", &tsNetwork, "Save"};
  ui::TMemo memLog_Network{"memLog_Network", &tsNetwork};
  ui::TButton btCopy_Network{"btCopy_Network", &tsNetwork, "Copy to Buffer"};
  ui::TTimer tmrUDP{"tmrUDP", 0, true};
};

// Passthru SAE J2534 page.
struct PassThruControls {
  explicit PassThruControls(ui::TPageControl& pages) : tsJ2534("tsJ2534", &pages, "Passthru SAE J2534") {}
  ui::TTabSheet tsJ2534;
  ui::TGroupBox gbJ2534_Devices{"gbJ2534_Devices", &tsJ2534, " Devices "};
  ui::TComboBox cbJ2534_Devices{"cbJ2534_Devices", &gbJ2534_Devices};
  ui::TButton btJ2534_Refresh{"btJ2534_Refresh", &gbJ2534_Devices, "Refresh"};
  ui::TLabel lbJ2534_Config{"lbJ2534_Config", &gbJ2534_Devices, "Config:"};
  ui::TEdit edJ2534_Config{"edJ2534_Config", &gbJ2534_Devices};
  ui::TLabel lbJ2534_DLL{"lbJ2534_DLL", &gbJ2534_Devices, "Library:"};
  ui::TEdit edJ2534_DLL{"edJ2534_DLL", &gbJ2534_Devices};
  ui::TLabel lbJ2534_Name{"lbJ2534_Name", &gbJ2534_Devices, "Name:"};
  ui::TEdit edJ2534_Name{"edJ2534_Name", &gbJ2534_Devices};
  ui::TButton btJ2534_Load{"btJ2534_Load", &gbJ2534_Devices, "Load"};
  ui::TButton btJ2534_Open{"btJ2534_Open", &gbJ2534_Devices, "Open"};
  ui::TButton btJ2534_Version{"btJ2534_Version", &gbJ2534_Devices, "Version"};
  ui::TButton btJ2534_Config{"btJ2534_Config", &gbJ2534_Devices, "Config"};
  ui::TButton btJ2534_Info{"btJ2534_Info", &gbJ2534_Devices, "Read Info"};
  ui::TMemo memJ2534{"memJ2534", &gbJ2534_Devices};
  ui::TButton btJ2534_Copy{"btJ2534_Copy", &gbJ2534_Devices, "Copy to Buffer"};
  ui::TGroupBox GroupBox_Driver{"GroupBox_Driver", &tsJ2534, " Driver "};
  ui::TButton btJ2534_Version_Check{"btJ2534_Version_Check", &GroupBox_Driver, "Check Version"};
  ui::TLabel lbJ2534_Version_DLL{"lbJ2534_Version_DLL", &GroupBox_Driver, "Installed:"};
  ui::TEdit edJ2534_Version_DLL{"edJ2534_Version_DLL", &GroupBox_Driver};
  ui::TShape shJ2534_Install{"shJ2534_Install", &GroupBox_Driver};
  ui::TShape shJ2534_Version_DLL{"shJ2534_Version_DLL", &GroupBox_Driver};
  ui::TLabel lbJ2534_Message{"lbJ2534_Message", &GroupBox_Driver, "- Update is required ->"};
  ui::TButton btJ2534_Install{"btJ2534_Install", &GroupBox_Driver, "Install Driver"};
  ui::TProgressBar pbJ2534_Install{"pbJ2534_Install", &GroupBox_Driver};
};

// About page.
struct AboutControls {
  explicit AboutControls(ui::TPageControl& pages) : About("About", &pages, "About") {}
  ui::TTabSheet About;
  ui::TGroupBox GroupBox1{"GroupBox1", &About, ""};
  ui::TImage imgLogo{"imgLogo", &GroupBox1};
  ui::TLabel lbName{"lbName", &GroupBox1, "Name"};
  ui::TLabel lbVersion{"lbVersion", &GroupBox1, "Version "};
  ui::TLabel lbCopy{"lbCopy", &GroupBox1, "Copyright"};
  ui::TLabel Label8{"Label8", &GroupBox1, "Our web-site :"};
  ui::TLabel lbRef{"lbRef", &GroupBox1, "www"};
  ui::TLabel Label9{"Label9", &GroupBox1, "Purchase e-mail :"};
  ui::TLabel lbMail{"lbMail", &GroupBox1, "e-mail"};
  ui::TLabel lbRef_Over{"lbRef_Over", &GroupBox1, "www"};
  ui::TLabel lbRef_Off{"lbRef_Off", &GroupBox1, "www"};
  ui::TMemo memAbout{"memAbout", &GroupBox1};
};

// System page: the adapter's hardware options, the WiFi chipset buttons and the
// identity fields of its Info group.
struct SystemControls {
  explicit SystemControls(ui::TPageControl& pages) : tsSystem("tsSystem", &pages, "System") {}
  ui::TTabSheet tsSystem;
  ui::TGroupBox gbSYS_Hardware{"gbSYS_Hardware", &tsSystem, "Hardware"};
  ui::TRadioGroup rgSYS_Bluetooth{"rgSYS_Bluetooth", &gbSYS_Hardware, "Bluetooth", kBluetoothChoices};
  ui::TRadioGroup rgSYS_Wireless{"rgSYS_Wireless", &gbSYS_Hardware, "Wireless", kWirelessChoices};
  ui::TButton btWiFi_Update{"btWiFi_Update", &gbSYS_Hardware, "Update"};
  ui::TButton btWiFi_Factory_Reset{"btWiFi_Factory_Reset", &gbSYS_Hardware, "Factory Reset"};
  ui::TGroupBox gbSYS_General{"gbSYS_General", &tsSystem, "General"};
  ui::TRadioGroup rgSYS_WiFi{"rgSYS_WiFi", &gbSYS_General, "Wi-Fi", kWiFiChoices};
  ui::TCheckBox cbSYS_MSD{"cbSYS_MSD", &gbSYS_General, "USB MSD for built-in flash card"};
  ui::TGroupBox gbSYS_Info{"gbSYS_Info", &tsSystem, "Info"};
  ui::TLabel lbSYS_BW{"lbSYS_BW", &gbSYS_Info, "Bootware:"};
  ui::TEdit edSYS_BW{"edSYS_BW", &gbSYS_Info};
  ui::TLabel lbSYS_FW{"lbSYS_FW", &gbSYS_Info, "Firmware:"};
  ui::TEdit edSYS_FW{"edSYS_FW", &gbSYS_Info};
  ui::TLabel lbSYS_Hardware{"lbSYS_Hardware", &gbSYS_Info, "Hardware:"};
  ui::TEdit edSYS_Hardware{"edSYS_Hardware", &gbSYS_Info};
  ui::TLabel lbSignature{"lbSignature", &gbSYS_Info, "Signature:"};
  ui::TEdit edSignature{"edSignature", &gbSYS_Info};
  ui::TLabel lbCopyRight{"lbCopyRight", &gbSYS_Info, "Copyright:"};
  ui::TEdit edCopyRight{"edCopyRight", &gbSYS_Info};
  ui::TLabel lbSYS_Serial{"lbSYS_Serial", &gbSYS_Info, "Serial Number:"};
  ui::TEdit edSYS_Serial{"edSYS_Serial", &gbSYS_Info};
  ui::TLabel lbSYS_WiFi{"lbSYS_WiFi", &gbSYS_Info, "WiFi Firmware:"};
  ui::TEdit edSYS_WiFi{"edSYS_WiFi", &gbSYS_Info};
  ui::TButton btSYS_Read{"btSYS_Read", &tsSystem, "Read"};
  ui::TButton btSYS_Save{"btSYS_Save", &tsSystem, "Save"};
  ui::TMemo memSYS{"memSYS", &tsSystem};
};

// WiFi page.
struct WiFiControls {
  explicit WiFiControls(ui::TPageControl& pages) : tsWiFi("tsWiFi", &pages, "WiFi") {}
  ui::TTabSheet tsWiFi;
  ui::TGroupBox gbWiFi_General{"gbWiFi_General", &tsWiFi, "General"};
  ui::TLabel lbWiFi_ID{"lbWiFi_ID", &gbWiFi_General, "ID:"};
  ui::TEdit edWiFi_ID{"edWiFi_ID", &gbWiFi_General};
  ui::TLabel lbWiFi_Alias{"lbWiFi_Alias", &gbWiFi_General, "Alias Name:"};
  ui::TEdit edWiFi_Alias{"edWiFi_Alias", &gbWiFi_General};
  ui::TLabel lbWiFi_Firmware{"lbWiFi_Firmware", &gbWiFi_General, "Firmware:"};
  ui::TEdit edWiFi_Firmware{"edWiFi_Firmware", &gbWiFi_General};
  ui::TGroupBox gbWiFi_Bridge{"gbWiFi_Bridge", &tsWiFi, "WIFI to SERIAL Bridge"};
  ui::TLabel lbWiFi_Bridge_Port{"lbWiFi_Bridge_Port", &gbWiFi_Bridge, "TCP Port:"};
  ui::TEdit edWiFi_Bridge_Port{"edWiFi_Bridge_Port", &gbWiFi_Bridge};
  ui::TLabel lbWiFi_Webserver_Port{"lbWiFi_Webserver_Port", &gbWiFi_Bridge, "Webserver Port:"};
  ui::TEdit edWiFi_Webserver_Port{"edWiFi_Webserver_Port", &gbWiFi_Bridge};
  ui::TGroupBox gbWiFi_AP{"gbWiFi_AP", &tsWiFi, "SoftAP"};
  ui::TCheckBox cbWiFi_AP_Enabled{"cbWiFi_AP_Enabled", &gbWiFi_AP, "Enabled"};
  ui::TLabel lbWiFi_AP_MAC{"lbWiFi_AP_MAC", &gbWiFi_AP, "MAC:"};
  ui::TEdit edWiFi_AP_MAC{"edWiFi_AP_MAC", &gbWiFi_AP};
  ui::TLabel lbWiFi_AP_SSID{"lbWiFi_AP_SSID", &gbWiFi_AP, "SSID:"};
  ui::TEdit edWiFi_AP_SSID{"edWiFi_AP_SSID", &gbWiFi_AP};
  ui::TLabel lbWiFi_AP_Password{"lbWiFi_AP_Password", &gbWiFi_AP, "Key:"};
  ui::TEdit edWiFi_AP_Password{"edWiFi_AP_Password", &gbWiFi_AP};
  ui::TCheckBox cbWiFi_AP_Password{"cbWiFi_AP_Password", &gbWiFi_AP, "Show"};
  ui::TLabel lbWiFi_AP_Channel{"lbWiFi_AP_Channel", &gbWiFi_AP, "Channel:"};
  ui::TComboBox cbWiFi_AP_Channel{"cbWiFi_AP_Channel", &gbWiFi_AP};
  ui::TLabel lbWiFi_AP_Security{"lbWiFi_AP_Security", &gbWiFi_AP, "Security:"};
  ui::TComboBox cbWiFi_AP_Security{"cbWiFi_AP_Security", &gbWiFi_AP};
  ui::TCheckBox cbWiFi_AP_Hidden{"cbWiFi_AP_Hidden", &gbWiFi_AP, "Hidden"};
  ui::TLabel lbWiFi_AP_IP{"lbWiFi_AP_IP", &gbWiFi_AP, "IP:"};
  ui::TEdit edWiFi_AP_IP{"edWiFi_AP_IP", &gbWiFi_AP};
  ui::TLabel lbWiFi_AP_Mask{"lbWiFi_AP_Mask", &gbWiFi_AP, "Mask:"};
  ui::TEdit edWiFi_AP_Mask{"edWiFi_AP_Mask", &gbWiFi_AP};
  ui::TLabel lbWiFi_AP_Gateway{"lbWiFi_AP_Gateway", &gbWiFi_AP, "Gateway:"};
  ui::TEdit edWiFi_AP_Gateway{"edWiFi_AP_Gateway", &gbWiFi_AP};
  ui::TGroupBox gbWiFi_Station{"gbWiFi_Station", &tsWiFi, "Station"};
  ui::TCheckBox cbWiFi_Station_Enabled{"cbWiFi_Station_Enabled", &gbWiFi_Station, "Enabled"};
  ui::TLabel lbWiFi_Station_MAC{"lbWiFi_Station_MAC", &gbWiFi_Station, "MAC:"};
  ui::TEdit edWiFi_Station_MAC{"edWiFi_Station_MAC", &gbWiFi_Station};
  ui::TLabel lbWiFi_Station_SSID{"lbWiFi_Station_SSID", &gbWiFi_Station, "SSID:"};
  ui::TEdit edWiFi_Station_SSID{"edWiFi_Station_SSID", &gbWiFi_Station};
  ui::TLabel lbWiFi_Station_Password{"lbWiFi_Station_Password", &gbWiFi_Station, "Key:"};
  ui::TEdit edWiFi_Station_Password{"edWiFi_Station_Password", &gbWiFi_Station};
  ui::TCheckBox cbWiFi_Station_Password{"cbWiFi_Station_Password", &gbWiFi_Station, "Show"};
  ui::TCheckBox cbWiFi_Station_DHCP{"cbWiFi_Station_DHCP", &gbWiFi_Station, "DHCP Enable"};
  ui::TLabel lbWiFi_Station_IP{"lbWiFi_Station_IP", &gbWiFi_Station, "IP:"};
  ui::TEdit edWiFi_Station_IP{"edWiFi_Station_IP", &gbWiFi_Station};
  ui::TLabel lbWiFi_Station_Mask{"lbWiFi_Station_Mask", &gbWiFi_Station, "Mask:"};
  ui::TEdit edWiFi_Station_Mask{"edWiFi_Station_Mask", &gbWiFi_Station};
  ui::TLabel lbWiFi_Station_Gateway{"lbWiFi_Station_Gateway", &gbWiFi_Station, "Gateway:"};
  ui::TEdit edWiFi_Station_Gateway{"edWiFi_Station_Gateway", &gbWiFi_Station};
  ui::TLabel lbWiFi_Station_DNS0{"lbWiFi_Station_DNS0", &gbWiFi_Station, "DNS1:"};
  ui::TEdit edWiFi_Station_DNS0{"edWiFi_Station_DNS0", &gbWiFi_Station};
  ui::TLabel lbWiFi_Station_DNS1{"lbWiFi_Station_DNS1", &gbWiFi_Station, "DNS2:"};
  ui::TEdit edWiFi_Station_DNS1{"edWiFi_Station_DNS1", &gbWiFi_Station};
  ui::TButton btWiFi_Read{"btWiFi_Read", &tsWiFi, "Read"};
  ui::TButton btWiFi_Save{"btWiFi_Save", &tsWiFi, "Save"};
  ui::TButton btWiFi_Scan{"btWiFi_Scan", &tsWiFi, "Scan APs"};
  ui::TLabel lbWiFi_Status{"lbWiFi_Status", &tsWiFi};  // the result of Read and Save
};

// WiFi -> Scan APs page.
struct WiFiScanControls {
  explicit WiFiScanControls(ui::TPageControl& pages) : tsWiFi_Scan("tsWiFi_Scan", &pages, "WiFi -> Scan APs") {}
  ui::TTabSheet tsWiFi_Scan;
  ui::TListView lvWiFi_Scan_AP{"lvWiFi_Scan_AP",
                               &tsWiFi_Scan,
                               {{"Wireless Network Name (SSID)", 225},
                                {"RSSI", 60, true},
                                {"Channel  ", 60, true},
                                {"Security", 100},
                                {"MAC", 110}}};
  ui::TButton btWiFi_Scan_Select{"btWiFi_Scan_Select", &tsWiFi_Scan, "Select"};
  ui::TButton btWiFi_Scan_Run{"btWiFi_Scan_Run", &tsWiFi_Scan, "Rescan"};
  ui::TButton btWiFi_Scan_Cancel{"btWiFi_Scan_Cancel", &tsWiFi_Scan, "Close"};
  ui::TMemo memLogWiFi{"memLogWiFi", &tsWiFi_Scan};
  ui::TButton btCopyWiFi{"btCopyWiFi", &tsWiFi_Scan, "Copy to Buffer"};
};

// Test page.
struct TestControls {
  explicit TestControls(ui::TPageControl& pages) : tsTest("tsTest", &pages, "Test") {}
  ui::TTabSheet tsTest;
  ui::TButton btRunTest{"btRunTest", &tsTest, "Run"};
  ui::TEdit edTest_Params{"edTest_Params", &tsTest};
  ui::TLabel lbTest_Result{"lbTest_Result", &tsTest, "Errors/Warnings:"};
  ui::TEdit edTest_Result{"edTest_Result", &tsTest};
  ui::TShape shpTest_Result_3{"shpTest_Result_3", &tsTest};
  ui::TShape shpTest_Result_2{"shpTest_Result_2", &tsTest};
  ui::TShape shpTest_Result_1{"shpTest_Result_1", &tsTest};
  ui::TShape shpTest_Result{"shpTest_Result", &tsTest};
  ui::TMemo memLogTest{"memLogTest", &tsTest};
  ui::TButton btCopyTest{"btCopyTest", &tsTest, "Copy to Buffer"};
};

// The status strip under the pages, and the controls outside the pages: the identity of
// the adapter on the open port, the connect marquee, the battery reading.
struct StatusControls {
  explicit StatusControls(ui::TControl& form)
      : pnStatus("pnStatus", &form),
        bpConnect("bpConnect", &form),
        btPower("btPower", &form, "Read"),
        edCOMM_Command("edCOMM_Command", &form) {}
  ui::TPanel pnStatus;
  ui::TLabel lbHardware{"lbHardware", &pnStatus, kHardwareLabel};
  ui::TEdit edHardware{"edHardware", &pnStatus};
  ui::TLabel lbBootVer{"lbBootVer", &pnStatus, kBootwareLabel};
  ui::TEdit edBootVer{"edBootVer", &pnStatus};
  ui::TLabel lbFirmware{"lbFirmware", &pnStatus, kFirmwareLabel};
  ui::TEdit edVersion{"edVersion", &pnStatus};
  ui::TLabel lbBattery{"lbBattery", &pnStatus, kBatteryLabel};
  ui::TEdit edBattery{"edBattery", &pnStatus};
  ui::TLabel lbCOM{"lbCOM", &pnStatus, kPortLabel};
  ui::TEdit edCOM{"edCOM", &pnStatus};
  ui::TLabel lbSerial{"lbSerial", &pnStatus, kSerialLabel};
  ui::TEdit edSerial{"edSerial", &pnStatus};
  ui::TProgressBar bpConnect;
  ui::TButton btPower;
  ui::TEdit edCOMM_Command;
};

}  // namespace bx
