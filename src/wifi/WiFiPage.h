#pragma once
// The WiFi page: the adapter's WiFi bridge settings, read with "WC" and written back,
// changed entries only, with "WC?KEY=value&...".
#include <memory>
#include <string>
#include <vector>

#include "ui/Controls.h"

namespace bx {

class Exchange;
class WindowServices;
struct WiFiControls;
struct WiFiScanControls;
struct SystemControls;
class Identity;
class WiFiScan;
class WiFiChipset;
struct WiFiEntry;

class WiFiPage {
 public:
  // The chipset buttons and their log are on the System page; the scan page is the
  // WiFi page's own, shown in its place.
  WiFiPage(WiFiControls& controls, WiFiScanControls& scanPage, SystemControls& system, ui::TPageControl& pages,
           WindowServices& window, Exchange& exchange);
  ~WiFiPage();
  // Hands the "WS:" and access-point reply lines to this page and the scan page.

  // Empties every field, masks the keys, disables Save and Scan; shows or hides the WiFi
  // tab and the chipset buttons of the System page; hides the scan tab.
  void Reset(bool visible);
  void Show();
  // "Save changes?": 1 the save was sent, 0 go on, -1 cancel. A Yes whose save cannot be
  // sent (another operation holds the adapter) is told and answers -1: the changes stay.
  int PendingChangesPrompt();
  // Whether options changed since they were read or saved (Save is offered then).
  bool Unsaved() const { return unsaved_; }
  enum class SaveResult { NothingToSend, Sent, Refused };
  SaveResult Save();
  void Read();
  // The last save sent: still on its way, and whether it ended without the adapter's
  // reply (its entries are then marked again and Save is enabled).
  bool Saving() const { return saving_; }
  bool SaveFailed() const { return saveFailed_; }
  // The payload of a "WS:" reply line.
  void WiFiSettings(const std::string& payload);

  bool filling = false;
  WiFiScan& Scan() { return *scan_; }

  // The record's entries (wifi/WiFiRecord) and the controls that show them, in the
  // record's order.
  struct Entry {
    const WiFiEntry* field;
    ui::TControl* control;
  };
  const std::vector<Entry>& Entries() const { return entries_; }
  const Entry* Find(const std::string& key) const;
  // The entry's value as the record has it (wifi/WiFiRecord).
  static std::string ControlValue(const Entry& entry);

 private:
  bool unsaved_ = false;
  void SetUnsaved(bool unsaved);
  void ApplyPair(const std::string& rawKey, const std::string& rawValue);
  // Marks the fields about to be sent whose values are refused; their reasons, one a line.
  std::string RefusedValues(bool dhcp);
  void ConfigChange(ui::TControl& sender);
  void KeyChanged(ui::TEdit& field, std::string& lastText);
  void DhcpChanged();
  void ApplyDhcpFields();  // the five static fields follow the DHCP box
  void WireEvents();
  // Sends a "WC" command; once its exchange has ended, lbWiFi_Status tells the result and
  // `then` hears whether the adapter answered. False when refused (the adapter is busy).
  bool SendSettingsCommand(const std::string& command, bool save, std::function<void(bool answered)> then = {});
  void SaveEnded(const std::vector<ui::TControl*>& sent, bool answered);

  WiFiControls& c_;
  WiFiScanControls& scanPage_;
  SystemControls& system_;
  WindowServices& window_;
  Exchange& ex_;
  std::vector<Entry> entries_;  // in the order Save takes them
  std::string lastApKey_, lastStationKey_;
  int settingsLines_ = 0;  // "WS:" lines read so far
  bool saving_ = false, saveFailed_ = false;
  std::unique_ptr<WiFiScan> scan_;
  std::unique_ptr<WiFiChipset> chipset_;
};

}  // namespace bx
