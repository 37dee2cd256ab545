#include "window/Unitmain.h"

#include <filesystem>
#include <fstream>
#include <functional>

#include "Resources.h"
#include "exchange/PortList.h"
#include "form/Layout.h"
#include "netdev/NetworkPage.h"
#include "netdev/NetworkSearch.h"
#include "passthru/PassThruPage.h"
#include "settings/ProgramStart.h"
#include "system/SystemPage.h"
#include "ui/EventLoop.h"
#include "wifi/WiFiPage.h"
#include "window/Modules.h"
#include "window/SupportReport.h"
#include "window/WindowHooks.h"

namespace bx {

TfrmMain::TfrmMain(AppContext context)
    : ui::TForm("frmMain"),
      PageFrame(static_cast<ui::TControl&>(*this)),
      SettingsControls(pcOptions),
      UpdateControls(pcOptions),
      NetworkControls(pcOptions),
      PassThruControls(pcOptions),
      AboutControls(pcOptions),
      SystemControls(pcOptions),
      WiFiControls(pcOptions),
      WiFiScanControls(pcOptions),
      TestControls(pcOptions),
      StatusControls(static_cast<ui::TControl&>(*this)),
      ctx(std::move(context)),
      settings(*ctx.registry) {
  CreateWindow();
}

TfrmMain::~TfrmMain() {
  // A window destroyed without closing still ends its threads; a settings write that
  // fails here has nobody left to tell.
  if (!closed_) {
    try {
      FormClose();
    } catch (const std::exception&) {
    }
  }
}

// ---- creation ------------------------------------------------------------------------

void TfrmMain::SetDesignState() {
  SetCaption("Configurator");
  ClientWidth = 714;
  ClientHeight = 424;
  // Centred on a 1280 x 1024 screen until a view places it (a CLI run has no screen).
  SetBounds((1280 - 714) / 2, (1024 - 424) / 2, 714, 424);
  font = ui::Font{"MS Sans Serif", -11, ui::clr::Black, {}};
  ilIcons.Images = {"state-selected.png", "state-active.png",        "state-hidden.png", "state-3.png",
                    "state-4.png",        "state-new.png",           "state-6.png",      "state-disabled.png",
                    "state-found.png",    "state-disabled-found.png"};

  // Read-only fields of the status strip and the pages.
  for (ui::TEdit* e : {&edHardware, &edBootVer, &edVersion, &edBattery, &edCOM, &edSerial, &edModeRun, &edFW_File,
                       &edUpdateSatus, &edTest_Result}) {
    e->ReadOnly = true;
    e->SetColor(ui::clr::BtnFace);
  }
  for (ui::TMemo* m : {&memLog, &memUpdate, &memLog_Network, &memJ2534, &memAbout, &memSYS, &memLogWiFi, &memLogTest})
    m->ReadOnly = true;
  lbBattery.SetVisible(false);
  edBattery.SetVisible(false);
  btPower.SetVisible(false);
  edCOMM_Command.SetVisible(false);
  bpConnect.SetVisible(false);
  SetDesignPages();
  SetDesignAboutAndTest();
  ApplyLayout(*this);
}

// The Settings, Update and driver controls as the window opens.
void TfrmMain::SetDesignPages() {
  // Settings page.
  lvInfo.ShowColumnHeaders = false;
  lvInfo.SmallIcons = true;
  lvInfo.SetEnabled(false);
  lvInfo.SetVisible(false);
  for (auto [caption, state] : {std::pair{"Selected", 0}, {"Active", 1}, {"Hidden", 2}}) {
    auto& item = lvInfo.Add();
    item.SetCaption(caption);
    item.SetStateIndex(state);
  }
  for (ui::TButton* b : {&btModeSelect, &btModeHide, &btModeFile, &btModeFileDel, &btModeRun, &btCopy})
    b->SetEnabled(false);

  // Update page: "Upload New Firmware" selected, Wait ticked, and the two options usable
  // as the selected radio makes them (not only once it is clicked again).
  rbUploadFW.SetChecked(true);
  btUpdateRun.SetEnabled(false);
  ckbWait.SetChecked(true);
  ckbNotSearch.SetEnabled(rbUploadFW.Checked());
  ckbWait.SetEnabled(rbUploadFW.Checked());

  // Driver group.
  btJ2534_Install.SetEnabled(false);
  lbJ2534_Message.SetVisible(false);
  pbJ2534_Install.SetVisible(false);
  shJ2534_Install.SetVisible(false);
  shJ2534_Version_DLL.SetVisible(false);
}

// The About page's logo and link styles, the Test page's shapes, the WiFi scan page.
void TfrmMain::SetDesignAboutAndTest() {
  // About page: the logo and the link styles.
  imgLogo.Picture = std::string(res::Find("logo.jpg"));
  imgLogo.SetVisible(false);
  lbName.font = {"Arial", -19, ui::clr::Maroon, {true, false, false}};
  for (ui::TLabel* l : {&lbVersion, &lbCopy}) l->font = {"Arial", -13, ui::clr::Black, {true, false, false}};
  for (ui::TLabel* l : {&Label8, &Label9}) l->font = {"Arial", -12, ui::clr::Black, {}};
  for (ui::TLabel* l : {&lbRef, &lbMail}) {
    l->font = {"Arial", -16, ui::clr::Purple, {true, true, false}};
    l->HandCursor = true;
  }
  lbRef_Over.font = {"Arial", -16, ui::clr::Purple, {true, true, true}};
  lbRef_Off.font = {"Arial", -16, ui::clr::Purple, {true, true, false}};
  lbRef_Over.SetVisible(false);
  lbRef_Off.SetVisible(false);

  // Test page.
  edTest_Params.SetVisible(false);
  btCopyTest.SetEnabled(false);
  const int sizes[] = {25, 23, 21, 19};
  ui::TShape* shapes[] = {&shpTest_Result, &shpTest_Result_1, &shpTest_Result_2, &shpTest_Result_3};
  for (int i = 0; i < 4; ++i) {
    shapes[i]->SetBrushColor(ui::clr::ScrollBar);
    shapes[i]->SetBounds(0, 0, sizes[i], sizes[i]);
    if (i > 0) shapes[i]->SetVisible(false);
  }

  // WiFi scan page.
  btWiFi_Scan_Select.SetEnabled(false);
  btCopyWiFi.SetEnabled(false);
  btSYS_Save.SetEnabled(false);
}

void TfrmMain::CreateWindow() {
  SetDesignState();
  Modules = std::make_unique<WindowModules>(*this);
  WireHandlers();
  // Pages hidden or reset as the window opens.
  tsTest.SetTabVisible(false);
  Modules->wifi->Reset(false);
  tsWiFi_Scan.SetTabVisible(false);
  Modules->system->Reset();
  cbShow.SetVisible(false);
  lbJ2534_Message.SetVisible(false);
  btJ2534_Install.SetEnabled(false);
  pbJ2534_Install.SetVisible(false);
  shJ2534_Install.SetVisible(false);
  shJ2534_Version_DLL.SetVisible(false);
  // The program folder, with its trailing separator.
  ProgramFolder = std::filesystem::path(ctx.programPath).parent_path().string();
  if (!ProgramFolder.empty() && ProgramFolder.back() != '/') ProgramFolder += '/';
  ReadVersionInformation();
  // File association, pass-thru entry, program path.
  if (ctx.writesSettings) StartupRegistryWrites();
  ReadSortState();
  if (ctx.timerResolution && ctx.timerResolution->Load()) {
    TimerLibraryLoaded = true;
    ctx.timerResolution->BeginPeriod(1);
  }
  TakeCommandLineFile();
  CreateSubsystems(*this);
  Modules->ports->Refresh(true);
  Modules->network->LoadList();
}

void TfrmMain::ReadVersionInformation() {
  if (!ctx.version) return;
  const VersionRecord& v = *ctx.version;
  ProductName = v.productName;
  CompanyName = v.companyName;
  FileVersion = v.fileVersion;
  lbName.SetCaption(v.productName + " " + v.internalName);
  lbVersion.SetCaption("Version " + v.fileVersion);
  appTitle_ = bx::ApplicationTitle(v);
  SetCaption(appTitle_);
  lbCopy.SetCaption(v.legalCopyright);
  imgLogo.SetVisible(true);
  lbRef.SetCaption(v.comments);
  lbMail.SetCaption(v.support);
  GroupBox_Driver.SetCaption(" " + v.productName + GroupBox_Driver.Caption());
}

void TfrmMain::StartupRegistryWrites() {
  WriteStartupSettings(settings, {ctx.programPath, ctx.registerProgram, ctx.desktop});
}

void TfrmMain::ReadSortState() {
  const SortState sort = bx::ReadSortState(settings);
  SortColumn = sort.column;
  SortDescending = sort.descending;
  RestorePosition = settings.SettingExists("WinTop") && settings.SettingExists("WinLeft");
}

void TfrmMain::TakeCommandLineFile() {
  if (ctx.args.empty()) {
    if (!ctx.offeredFirmware.empty()) edFW_File.SetText(ctx.offeredFirmware);
    return;
  }
  std::error_code ec;
  const std::filesystem::path p(ctx.args.front());
  if (!std::filesystem::is_regular_file(p, ec)) return;
  edFW_File.SetText(std::filesystem::absolute(p, ec).string());
  pcOptions.SetActivePage(&Update);
}

void TfrmMain::WireHandlers() {
  pcOptions.OnChange = [this] { pcOptionsChange(); };
  tmrMemo.OnTimer = [this] { tmrMemoTimer(); };
  tmrRefresh.OnTimer = [this] { Modules->ports->tmrRefreshTimer(); };
  cbCOM.OnClick = [this] { Modules->ports->cbCOMClick(); };
  btPortProp.OnClick = [this] { Modules->ports->btPortPropClick(); };
  for (ui::TLabel* l : {&lbRef, &lbMail}) {
    l->OnMouseEnter = [this, l] { lbRefMouseEnter(*l); };
    l->OnMouseLeave = [this, l] { lbRefMouseLeave(*l); };
  }
  lbRef.OnClick = [this] { lbRefClick(); };
  lbMail.OnClick = [this] { lbMailClick(); };
  WireNetworkPage();
  WirePassThruPage();
  for (ui::TListView* v : {&lvModes, &lvNetDevices, &lvWiFi_Scan_AP})
    v->OnColumnClick = [this, v](int column) { ListColumnClick(*v, column); };
  for (auto [button, pane] : {std::pair<ui::TButton*, ui::TTextControl*>{&btCopy, &memLog},
                              {&btCopyTest, &memLogTest},
                              {&btCopy_Network, &memLog_Network},
                              {&btJ2534_Copy, &memJ2534},
                              {&btCopyWiFi, &memLogWiFi}})
    button->OnClick = [this, pane = pane] { CopyPane(*pane); };
  // These three copy buttons follow their pane: enabled exactly while it holds text.
  for (auto [button, pane] : {std::pair<ui::TButton*, ui::TMemo*>{&btCopy_Network, &memLog_Network},
                              {&btJ2534_Copy, &memJ2534},
                              {&btCopyWiFi, &memLogWiFi}}) {
    auto previous = pane->OnChange;
    pane->OnChange = [button = button, pane = pane, previous] {
      button->SetEnabled(!pane->Text().empty());
      if (previous) previous();
    };
  }
  for (ui::TTextControl* c : CopyKeyControls()) {
    auto previous = c->OnKeyDown;
    c->OnKeyDown = [this, c, previous](ui::KeyEvent& e) {
      SelectCopyKeys(*c, e);
      if (previous && e.key) previous(e);
    };
  }
}

void TfrmMain::WireNetworkPage() {
  Modules->network->WireControls();
  tmrUDP.OnTimer = [&search = *Modules->search] { search.tmrUDPTimer(); };
}

void TfrmMain::WirePassThruPage() {
  Modules->passThru->WireControls();
}

// ---- shown and closing -----------------------------------------------------------------

void TfrmMain::FormShow() {
  if (RestorePosition) {
    const int top = ReadIntOrDefault(settings, "WinTop", Top());
    const int left = ReadIntOrDefault(settings, "WinLeft", Left());
    SetBounds(left, top, Width(), Height());
  }
}

namespace {

// How long the close waits for a save it has started. The save's exchange ends by its own
// time-outs long before: a command is given about a second to answer.
constexpr int64_t kSaveWaitMs = 60000;

// A page that may hold unsaved changes when the window closes.
struct PendingChanges {
  const char* caption;
  std::function<int()> prompt;   // "Save changes?": 1 saved, 0 go on, -1 cancel
  std::function<bool()> saving;  // the save that answered 1 is still on its way
  std::function<bool()> failed;  // it ended without reaching the adapter
};

// Whether the window may close after the page's question. A save that runs as an exchange
// is waited for (the event loop runs meanwhile): closing at once would destroy the link
// before a byte was written. One that fails keeps the window open, changes and all.
bool ClosesAfter(WindowServices& window, const PendingChanges& page) {
  const int answer = page.prompt();
  if (answer <= 0) return answer == 0;
  if (page.saving()) {
    if (ui::EventLoop* loop = ui::EventLoop::Current())
      loop->WaitUntil([&page] { return !page.saving(); }, kSaveWaitMs);
  }
  if (!page.saving() && !page.failed()) return true;
  window.AppMessageBox(page.caption, "The changes did not reach the adapter; the window stays open.", mb::IconError);
  return false;
}

}  // namespace

bool TfrmMain::CloseQuery() {
  NetworkPage& network = *Modules->network;
  WiFiPage& wifi = *Modules->wifi;
  SystemPage& system = *Modules->system;
  // The network list is saved to the store at once; a store that refuses raises.
  const PendingChanges pages[] = {
      {"Network Search...", [&network] { return network.PendingChangesPrompt(false); }, [] { return false; },
       [] { return false; }},
      {"WiFi Config...", [&wifi] { return wifi.PendingChangesPrompt(); }, [&wifi] { return wifi.Saving(); },
       [&wifi] { return wifi.SaveFailed(); }},
      {"System...", [&system] { return system.PendingChangesPrompt(); }, [&system] { return system.Saving(); },
       [&system] { return system.SaveFailed(); }},
  };
  for (const PendingChanges& page : pages)
    if (!ClosesAfter(*this, page)) return false;
  return true;
}

void TfrmMain::FormClose() {
  if (closed_) return;
  closed_ = true;
  tmrRefresh.SetEnabled(false);
  tmrSearch.SetEnabled(false);
  tmrUDP.SetEnabled(false);
  tmrMemo.SetEnabled(false);
  Modules->passThru->UnloadLibrary();
  DestroySubsystems(*this);
  settings.SettingsKey = kSettingsKey;
  if (ctx.writesSettings) {
    WriteSortState(settings, {SortColumn, SortDescending});
    if (ctx.hasView) {
      settings.WriteSettingInt("WinTop", Top());
      settings.WriteSettingInt("WinLeft", Left());
    }
  }
  if (TimerLibraryLoaded) {
    ctx.timerResolution->EndPeriod(1);
    ctx.timerResolution->Unload();
    TimerLibraryLoaded = false;
  }
}

bool TfrmMain::WindowShortcut(const ui::KeyEvent& e) {
  if (e.ctrl && e.shift && !e.alt && (e.key == 'S' || e.key == 's') && !closed_) {
    SaveSupportReport(*this);
    return true;
  }
  return false;
}

bool TfrmMain::Close() {
  if (closed_) return true;
  if (!CloseQuery()) return false;
  FormClose();
  return true;
}

// ---- page change and the live pane timer ------------------------------------------------

void TfrmMain::pcOptionsChange() {
  if (pcOptions.ActivePage() == &tsJ2534) Modules->passThru->PageEntered();
}

void TfrmMain::tmrMemoTimer() {
  LiveOutputTimer(*this);
  tmrMemo.SetEnabled(false);
}

}  // namespace bx
