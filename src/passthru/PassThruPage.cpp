#include "passthru/PassThruPage.h"

#include "session/AdapterSession.h"
#include "settings/Settings.h"

namespace bx {

PassThruPage::PassThruPage(PassThruControls& controls, PassThruServices services)
    : c_(controls),
      s_(std::move(services)),
      directory_(s_.settings.registry(), ManifestFolderIn(s_.folders.home)),
      probe_(s_, directory_, *this),
      installer_(s_, *this, this) {
  c_.pbJ2534_Install.SetMax(kInstallProgressMax);
  for (ui::TButton* b : {&c_.btJ2534_Load, &c_.btJ2534_Open, &c_.btJ2534_Version, &c_.btJ2534_Config, &c_.btJ2534_Info,
                         &c_.btJ2534_Copy})
    b->SetEnabled(false);
  c_.cbJ2534_Devices.Hint = "Ports List";
  c_.btJ2534_Refresh.Hint = "Refresh USB-Ports";
  for (ui::TEdit* e : {&c_.edJ2534_Config, &c_.edJ2534_DLL, &c_.edJ2534_Version_DLL}) {
    e->ReadOnly = true;
    e->SetColor(ui::clr::BtnFace);
  }
}

PassThruPage::~PassThruPage() = default;

void PassThruPage::WireControls() {
  PassThruControls& p = c_;
  p.btJ2534_Refresh.OnClick = [this] { btJ2534_RefreshClick(); };
  p.cbJ2534_Devices.OnClick = [this] { cbJ2534_DevicesClick(); };
  p.cbJ2534_Devices.OnChange = [this] { cbJ2534_DevicesChange(); };
  p.btJ2534_Load.OnClick = [this] { btJ2534_LoadClick(); };
  p.btJ2534_Open.OnClick = [this] { btJ2534_OpenClick(); };
  p.btJ2534_Version.OnClick = [this] { btJ2534_VersionClick(); };
  p.btJ2534_Info.OnClick = [this] { btJ2534_InfoClick(); };
  p.btJ2534_Config.OnClick = [this] { btJ2534_ConfigClick(); };
  p.btJ2534_Version_Check.OnClick = [this] { btJ2534_Version_CheckClick(); };
  p.btJ2534_Install.OnClick = [this] { btJ2534_InstallClick(); };
}

void PassThruPage::PageEntered() {
  if (!installer_.Offered().empty()) {
    Refresh();
    // The adapter offers a driver: the installation starts from an empty progress bar.
    c_.pbJ2534_Install.SetPosition(0);
    installer_.CheckVersion();
  } else if (!s_.session.Identity().firmware.empty()) {
    c_.lbJ2534_Message.SetCaption("  Update Firmware !!!");
    c_.lbJ2534_Message.SetVisible(true);
  }
}

void PassThruPage::Refresh() {
  c_.btJ2534_Info.SetEnabled(false);
  c_.btJ2534_Config.SetEnabled(false);
  // While a library is loaded its Unload stays at hand, whatever the list now holds.
  if (!probe_.Loaded()) c_.btJ2534_Load.SetEnabled(false);
  c_.cbJ2534_Devices.ClearItems();
  std::vector<std::string> skipped;
  devices_ = directory_.List(&skipped);
  for (const std::string& s : skipped) c_.memJ2534.AddLine(SkippedManifestLine(s));
  const std::string remembered = s_.settings.ReadSettingString("", kChosenDeviceName, "");
  for (std::size_t i = 0; i < devices_.size(); ++i) {
    c_.cbJ2534_Devices.AddItem(devices_[i].name);
    if (devices_[i].name == remembered) {
      c_.cbJ2534_Devices.SetItemIndex(static_cast<int>(i));
      DeviceSelected();
    }
  }
}

void PassThruPage::DeviceSelected() {
  const std::string device = c_.cbJ2534_Devices.Text();
  s_.settings.WriteSettingString("", kChosenDeviceName, device);
  const std::string config = directory_.Value(device, "ConfigApplication");
  c_.edJ2534_Config.SetText(config);
  c_.edJ2534_DLL.SetText(directory_.Value(device, "FunctionLibrary"));
  c_.btJ2534_Config.SetEnabled(!config.empty());
  c_.btJ2534_Load.SetEnabled(true);
  c_.btJ2534_Info.SetEnabled(true);
}

void PassThruPage::Line(const std::string& text) { c_.memJ2534.AddLine(text); }

void PassThruPage::ClearLog() { c_.memJ2534.Clear(); }

void PassThruPage::btJ2534_LoadClick() {
  if (probe_.Loaded())
    probe_.Unload();
  else
    probe_.Load(c_.cbJ2534_Devices.Text());
}

void PassThruPage::btJ2534_OpenClick() {
  if (probe_.DeviceOpen())
    probe_.Close();
  else
    probe_.Open(c_.edJ2534_Name.Text());
}

void PassThruPage::btJ2534_InfoClick() { probe_.ReadInfo(c_.cbJ2534_Devices.Text(), c_.edJ2534_Name.Text()); }

void PassThruPage::btJ2534_ConfigClick() { probe_.Config(c_.cbJ2534_Devices.Text()); }

// While a library is loaded the device list stays as it is; its device opens and closes,
// and reads its version while open.
void PassThruPage::ProbeChanged(bool loaded, bool deviceOpen) {
  c_.btJ2534_Load.SetCaption(loaded ? "Unload" : "Load");
  c_.cbJ2534_Devices.SetEnabled(!loaded);
  c_.btJ2534_Refresh.SetEnabled(!loaded);
  c_.btJ2534_Open.SetEnabled(loaded);
  c_.btJ2534_Open.SetCaption(deviceOpen ? "Close" : "Open");
  c_.btJ2534_Version.SetEnabled(deviceOpen);
}

void PassThruPage::Progress(int position, bool marquee) {
  ui::TProgressBar& bar = c_.pbJ2534_Install;
  if (marquee) {
    bar.MarqueeInterval = 15;
    bar.SetStyle(ui::TProgressBar::Style::Marquee);
    return;
  }
  bar.SetPosition(position);
  bar.SetStyle(ui::TProgressBar::Style::Normal);
}

// The installed version, and with a driver offered by the adapter, whether it is that one.
void PassThruPage::Checked(const DriverInstaller& found) {
  c_.edJ2534_Version_DLL.SetText(found.InstalledVersion());
  const bool compared = found.DriverPresent() && !found.Offered().empty();
  const bool same = found.UpToDate();
  if (compared) {
    c_.shJ2534_Install.SetBrushColor(ui::clr::Lime);
    c_.shJ2534_Version_DLL.SetBrushColor(same ? ui::clr::Lime : ui::clr::Red);
    if (!same) c_.lbJ2534_Message.SetCaption("- Update is required ->");
    c_.lbJ2534_Message.SetVisible(!same);
  }
  c_.shJ2534_Install.SetVisible(compared);
  c_.shJ2534_Version_DLL.SetVisible(compared);
}

void PassThruPage::cbJ2534_DevicesClick() {
  if (s_.portListClick) s_.portListClick();
}

}  // namespace bx
