#pragma once
// The adapter's operating modes in lvModes: mode lines of an identity reply become
// entries marked selected, active or hidden; the user switches the adapter to another.
// The list keeps each entry's row (number, ID, description, state) itself; each item of
// lvModes names its row (TListItem::Data), so a sort moves items, not rows.
#include <string>

#include "exchange/ModeEntries.h"
#include "session/ModeRows.h"
#include "session/ReplyLines.h"
#include "settings/HiddenModes.h"
#include "ui/Controls.h"
#include "ui/ItemRows.h"

namespace bx {

class Exchange;
class Settings;
struct SettingsControls;

class ModeList : public ModeEntries {
 public:
  ModeList(SettingsControls& controls, Settings& settings, Exchange& exchange);

  // 1-3 when the line is a mode line (that many ID characters), else 0.
  static int ModeIdLength(const std::string& line) { return bx::ModeIdLength(line); }
  bool IsModeLine(const std::string& line) const override { return ModeIdLength(line) > 0; }
  // Adds the entry for a mode line; returns whether the line is used (stays in memLog).
  bool AddModeEntry(const std::string& line) override;
  std::string SelectedModePass(const std::vector<std::string>& selectedTexts) override;
  void Clear() override;  // empties the list and forgets the remembered entry
  void ForgetProgram() override { ShowProgram(""); }

  void lvModesSelectItem(ui::TListItem* item, bool selected);
  void lvModesMouseUp();
  void Select();       // btModeSelect, double click, Enter/space
  void SearchClick();  // btSearch and cbShow
  std::string RememberedId() const;
  // The program linked to the remembered mode, as edModeRun shows it.
  const std::string& LinkedProgram() const { return program_; }
  void ShowProgram(const std::string& path);
  // Whether btModeHide offers "Show" (the remembered entry is hidden) rather than "Hide".
  bool OffersShow() const { return offersShow_; }

  // The row an item shows; an empty one for an item the list did not add.
  const ModeRow& RowOf(const ui::TListItem& item) const { return rows_.Of(item); }
  // Marks an entry: its row's state, shown by the item.
  void SetState(ui::TListItem& item, int state);

  ui::TListItem* remembered = nullptr;
  int idLength = 0;

 private:
  ui::ItemRows<ModeRow> rows_;

  SettingsControls& c_;
  Settings& settings_;
  Exchange& ex_;
  std::string program_;
  bool offersShow_ = false;

  void OfferShow(bool show);
};

}  // namespace bx
