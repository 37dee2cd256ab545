#include "settings/HiddenModes.h"

namespace bx {

namespace {
constexpr const char* kHideBlank = "HideBlank";
}  // namespace

// A missing value already means "not hidden"; reading it must not store one per mode ID
// the adapter lists.
bool StoredAsHidden(Settings& settings, const std::string& id, const std::string& description) {
  const std::string hidden = settings.PeekSettingString("Hide", id, "");
  if (!hidden.empty()) return description == hidden;
  return description.empty() && settings.PeekSettingString(kHideBlank, id, "") == "1";
}

void StoreHidden(Settings& settings, const std::string& id, const std::string& description, bool hidden) {
  settings.WriteSettingString("Hide", id, hidden ? description : "");
  if (hidden && description.empty())
    settings.WriteSettingString(kHideBlank, id, "1");
  else if (settings.PeekSettingString(kHideBlank, id, "") == "1")
    settings.DeleteSetting(kHideBlank, id);
}

bool HiddenInList(Settings& settings, const std::string& id, const std::string& description,
                  const std::string& line) {
  const bool hidden = StoredAsHidden(settings, id, description);
  return line != settings.ReadSettingString("", "Mode", "") && hidden;
}

}  // namespace bx
