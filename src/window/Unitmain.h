#pragma once
// The main window model TfrmMain: one window, nine pages, a status strip and the
// window's timers. Every control the program has is declared here, grouped by page;
// the pages' behaviour lives in their own folders and is wired up by the window.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/PortList.h"
#include "form/PageControls.h"
#include "settings/Settings.h"
#include "form/WindowServices.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/System.h"
#include "ui/Controls.h"

namespace bx {

class DatagramNetwork;
class LinkTable;
class LinkTrace;
class LibraryLoader;
class ArchiveUnpacker;
class Exchange;
struct WindowModules;

// What the window needs of the outside world; the program, the CLI and the tests each
// hand in their own.
struct AppContext {
  Registry* registry = nullptr;
  Dialogs* dialogs = nullptr;
  Clipboard* clipboard = nullptr;
  Shell* shell = nullptr;
  std::optional<VersionRecord> version;  // nullopt: a program file without version information
  std::string programPath;
  std::vector<std::string> args;               // command-line arguments after the program name
  TimerResolution* timerResolution = nullptr;  // nullptr: the timer library is missing
  DesktopIntegration* desktop = nullptr;       // nullptr: no desktop integration
  LibraryLoader* libraries = nullptr;          // nullptr: pass-thru libraries are not loaded
  ArchiveUnpacker* archives = nullptr;         // nullptr: an archived driver is not unpacked
  UserFolders folders;
  // Device links: where the serial discovery looks, and device paths handed in by the
  // program (the CLI's --port, the demo simulator) with their descriptions.
  SerialPortListing serialListing = SerialPortListing::DeviceTree;
  std::string sysfsRoot = "/sys";
  std::string devRoot = "/dev";
  std::vector<std::pair<std::string, std::string>> virtualPorts;
  bool startLinks = true;  // false: no link table (tests of the window alone)
  // A firmware image the Update page starts with when no file was given (the demo's own),
  // without turning to that page.
  std::string offeredFirmware;
  DatagramNetwork* network = nullptr;  // the network search's; nullptr: no search starts
  // False when no view shows the window (the CLI): the model's position is only assumed,
  // so the close leaves the stored position as it found it.
  bool hasView = true;
  // False when `programPath` is not the window program (a CLI with none beside it): the
  // ".rfw" file type, the desktop entry and the pass-thru configuration entry are then not
  // pointed at it.
  bool registerProgram = true;
  // False for a further window model of the same process (the CLI flashing several
  // adapters at once): the start-up and close settings are the first window's to write.
  bool writesSettings = true;
  // The wire trace the links report to (--trace FILE); nullptr: none. Outlives the window.
  LinkTrace* trace = nullptr;
};

// The window is made of its pages' control structs (see PageControls.h), built in tab
// order after the page control, then the status strip.
struct PageFrame {
  explicit PageFrame(ui::TControl& form) : pcOptions("pcOptions", &form) {}
  ui::TPageControl pcOptions;
};

class TfrmMain : public ui::TForm,
                 public WindowServices,
                 public PageFrame,
                 public SettingsControls,
                 public UpdateControls,
                 public NetworkControls,
                 public PassThruControls,
                 public AboutControls,
                 public SystemControls,
                 public WiFiControls,
                 public WiFiScanControls,
                 public TestControls,
                 public StatusControls {
 public:
  explicit TfrmMain(AppContext context);
  ~TfrmMain() override;

  // ---- life cycle -------------------------------------------------------------------
  void FormShow();    // applies the restored position
  bool CloseQuery();  // the two "Save changes?" questions; false keeps the window open
  void FormClose();   // unload, destroy the links, write the close settings
  bool Closed() const { return closed_; }
  // CloseQuery and, when it agrees, FormClose. Returns whether the window closed.
  bool Close();

  // ---- shared helpers ---------------------------------------------------------------
  int AppMessageBox(const std::string& shortCaption, const std::string& text, int flags) override;
  bool SelectFile(const std::string& description, const std::string& mask, std::string& fileName) override;
  bool SelectProgram(std::string& fileName) override;
  // A regular file of at most `limit` bytes, read without blocking on a FIFO or a device
  // (platform/Files.h); false, `data` untouched, for anything else.
  static constexpr std::size_t kWholeFileLimit = 16u * 1024u * 1024u;
  static bool ReadWholeFile(const std::string& path, Bytes& data, std::size_t limit = kWholeFileLimit);
  // Replaces the file whole or not at all, never writing through a link planted there.
  static bool WriteWholeFile(const std::string& path, const Bytes& data);
  const std::string& ApplicationTitle() const { return appTitle_; }

  // ---- list views and log panes -------------------------------------------------------
  int ListCompare(const ui::TListItem& a, const ui::TListItem& b) const;
  void ListColumnClick(ui::TListView& view, int column);
  void SortList(ui::TListView& view) override;
  void CopyPane(ui::TTextControl& pane);
  void SelectCopyKeys(ui::TTextControl& control, ui::KeyEvent& e);

  // ---- state shared by the pages ---------------------------------------------------
  AppContext ctx;
  Settings settings;
  std::string ProgramFolder;  // with its trailing separator
  std::string ProductName, CompanyName, FileVersion;
  int SortColumn = 0;
  bool SortDescending = false;
  bool RestorePosition = false;
  bool TimerLibraryLoaded = false;
  // Owned by the window alone; shared_ptr only so this header needs no definitions.
  std::shared_ptr<LinkTable> Links;
  std::unique_ptr<WindowModules> Modules;  // the pages' own state and handlers

  ui::TImageList ilIcons{"ilIcons"};

  // Timers of the window.
  ui::TTimer tmrSearch{"tmrSearch", 0, true};
  ui::TTimer tmrRefresh{"tmrRefresh", 500, true};
  ui::TTimer tmrMemo{"tmrMemo", 100, true};

  // ---- handlers of the window itself --------------------------------------------------
  void pcOptionsChange();
  void tmrMemoTimer();
  void lbRefMouseEnter(ui::TLabel& label);
  void lbRefMouseLeave(ui::TLabel& label);
  void lbRefClick();
  void lbMailClick();

  // A key pressed anywhere in the window, before the control with the focus sees it: the
  // window's own shortcuts (Ctrl+Shift+S saves the support report). True when taken.
  bool WindowShortcut(const ui::KeyEvent& e);

  // The 33 controls with the selection and copy keys.
  std::vector<ui::TTextControl*> CopyKeyControls();

 private:
  void CreateWindow();
  void SetDesignState();
  void SetDesignPages();
  void SetDesignAboutAndTest();
  void ReadVersionInformation();
  void StartupRegistryWrites();
  void ReadSortState();
  void TakeCommandLineFile();
  void WireHandlers();
  void WireNetworkPage();
  void WirePassThruPage();

  std::string appTitle_ = "Configurator";
  bool closed_ = false;
};

}  // namespace bx
