#pragma once
// The adapter's operating modes in lvModes: mode lines of an identity reply become
// entries marked selected, active or hidden; the user switches the adapter to another.
#include <string>

#include "exchange/ModeEntries.h"
#include "ui/Controls.h"

namespace bx {

class Exchange;
class Settings;
struct SettingsControls;

namespace mode_state {
inline constexpr int Normal = -1;
inline constexpr int Selected = 0;
inline constexpr int Active = 1;
inline constexpr int Hidden = 2;
}  // namespace mode_state

class ModeList : public ModeEntries {
 public:
  ModeList(SettingsControls& controls, Settings& settings, Exchange& exchange);

  // 1-3 when the line is a mode line (that many ID characters), else 0.
  static int ModeIdLength(const std::string& line);
  bool IsModeLine(const std::string& line) const override { return ModeIdLength(line) > 0; }
  // Adds the entry for a mode line; returns whether the line is used (stays in memLog).
  bool AddModeEntry(const std::string& line) override;
  void SelectedModePass() override;
  void Clear() override;  // empties the list and forgets the remembered entry

  void lvModesSelectItem(ui::TListItem* item, bool selected);
  void lvModesMouseUp();
  void Select();       // btModeSelect, double click, Enter/space
  void SearchClick();  // btSearch and cbShow
  std::string RememberedId() const;

  ui::TListItem* remembered = nullptr;
  int idLength = 0;

 private:
  SettingsControls& c_;
  Settings& settings_;
  Exchange& ex_;
};

}  // namespace bx
