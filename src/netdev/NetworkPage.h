#pragma once
// The Network page: the list of known network adapters (found by a search or typed in),
// its marks, the edit fields and buttons, and saving it into the settings from which the
// network link offers the enabled devices as NET: ports. The page keeps each row's device
// and mark and shows them in the list view lvNetDevices, whose items name their row
// (TListItem::Data); the items' order is the user's (a column click sorts them), and Save
// writes the rows in that order.
#include <functional>
#include <string>
#include <vector>

#include "form/PageControls.h"
#include "netdev/DeviceStore.h"
#include "netdev/SearchSink.h"
#include "ui/ItemRows.h"

namespace bx {

class Registry;
class Shell;

// What the page needs besides its own controls.
struct NetworkServices {
  Registry& registry;
  std::string settingsKey;
  // A message box with the application title: short caption, text, mb:: flags.
  std::function<int(const std::string&, const std::string&, int)> messageBox;
  Shell* shell = nullptr;  // nullptr: Config opens nothing
  // pcOptions: disabled while a search runs; row selections are ignored while it is
  // disabled (a search or an exchange).
  ui::TControl* pages = nullptr;
};

// The stored lines as the network link holds them after its next scan pass.
class SavedDevices {
 public:
  virtual ~SavedDevices() = default;
  virtual std::vector<std::string> FreshEntries() = 0;
};

class NetworkPage : public SearchSink {
 public:
  static constexpr char kSearchAll[] = "255.255.255.255";

  NetworkPage(NetworkControls& controls, NetworkServices services);

  // The search that Search and Find start; may be null (the buttons then prepare the
  // list and start nothing). Not owned.
  void SetSearcher(NetworkSearcher* searcher) { searcher_ = searcher; }
  // Where the stored lines come from (the window hands in the network link's); null, the
  // page reads the store itself.
  void Connect(SavedDevices* saved) { saved_ = saved; }

  // "Save changes?" for unsaved rows: 1 saved, 0 go on, -1 cancel. With `reload`, "No"
  // reloads the stored list.
  int PendingChangesPrompt(bool reload);
  void LoadList();
  void SaveList();
  // Records a device: the index of its new row, or -1 when it is listed already (that
  // row is then marked as found).
  int RecordDevice(const NetDevice& device, int mark);
  // For a front end that ran a search of its own: records each device as the search
  // would and saves the list. Returns the number of new rows.
  int RecordAndSave(const std::vector<NetDevice>& found);

  // The rows, in displayed order.
  int RowCount() const { return c_.lvNetDevices.Count(); }
  NetDevice Row(int i) const { return RowAt(i).device; }
  int RowMark(int i) const { return RowAt(i).mark; }
  // Whether the rows hold changes not saved yet (Save is offered then).
  bool Unsaved() const { return unsaved_; }
  // Changes the selected row as Update does: the reason it was refused ("" when changed;
  // the page logs it then), "no row is selected" without a selection.
  std::string UpdateSelected(const NetDevice& device);
  // Update, Delete and the State button on row `i` (0 <= i < RowCount()), selected or not.
  // UpdateRow: as UpdateSelected. DeleteRow: false when the user did not agree to the
  // question. SetRowDisabled: false when the row's state does not change (a new row has
  // none to change, a row already in that state keeps it).
  std::string UpdateRow(int i, const NetDevice& device);
  bool DeleteRow(int i);
  bool SetRowDisabled(int i, bool disabled);
  // The first row whose IP, or IP + ":" + Port, is `key`; -1 when none, -2 when an IP
  // alone names more than one row.
  int FindRow(const std::string& key) const;

  // Search and Find after their own preparations: the question about unsaved changes
  // (a "No" reloads the stored list when asked to), the found marks of the last search
  // cleared, then the search for `target`.
  void Search(const std::string& target, bool reloadOnNo = true);

  // SearchSink: what the search finds goes into the list, what it shows into the log,
  // the Search button and the progress bar; the pages wait while it runs.
  void DeviceFound(const NetDevice& device) override;
  // Records a device an answer named as new; the line that says why it is not listed
  // ("" when it is).
  std::string RecordFound(const NetDevice& device);
  void SearchStarted() override;
  void SearchEnded() override;
  void ClearLog() override;
  void Line(const std::string& text) override;
  void PassProgress(int done, int ticks) override;

  // The page's controls' events to its handlers (the search's timer is the search's).
  void WireControls();

  // Handlers.
  void btUDP_SearchClick();
  void btNetwork_FindClick();
  void lvNetDevicesSelectItem();
  void edNetworkChange();
  void MarkRefusedFields();
  // Enter in a field: Update with a row selected, else Add (where the button may).
  void edNetworkKeyDown(ui::KeyEvent& e);
  void btNetwork_AddClick();
  void btNetwork_UpdateClick();
  void btNetwork_DeleteClick();
  void btNetwork_StateClick();
  void btNetwork_ConfigClick();
  void lvNetDevicesDblClick() { btNetwork_ConfigClick(); }
  void lvNetDevicesKeyDown(ui::KeyEvent& e);
  void btNetwork_SaveClick() { SaveList(); }

 private:
  struct NetRow {
    NetDevice device;
    int mark = kMarkNone;
  };
  // The row an item shows; an empty one for an item the page did not add.
  const NetRow& RowAt(int i) const { return rows_.Of(c_.lvNetDevices.Item(i)); }
  const NetRow& RowOf(const ui::TListItem& item) const { return rows_.Of(item); }
  ui::TListItem& AddRow(const NetRow& row);
  void ShowRow(ui::TListItem& item);
  void SetMark(ui::TListItem& item, int mark);
  void ClearRows();
  void SetUnsaved(bool unsaved);

  SavedDevices* saved_ = nullptr;
  void ApplySelection();
  void Reselect();
  void ClearFoundMarks();
  void SetRow(ui::TListItem& item, const NetDevice& device);
  // Lists stored lines as rows (unreadable ones kept aside); `log` also shows each line.
  void ShowLines(const std::vector<std::string>& lines, bool log);

  NetworkControls& c_;
  NetworkServices s_;
  DeviceStore store_;
  NetworkSearcher* searcher_ = nullptr;
  // The rows by the Data of the item that shows them.
  ui::ItemRows<NetRow> rows_;
  bool unsaved_ = false;
  // Stored lines that are not device lines: not listed, written back after the rows.
  std::vector<std::string> unreadable_;
  // The stored list as this page last read or saved it: what a save merges against.
  std::vector<std::string> loaded_;
};

}  // namespace bx
