#pragma once
// The hidden marks of the adapter's modes in the store: subkey "Hide", one value per mode
// ID, holds the description the mode had when it was hidden, and an empty value means
// shown. A mode hidden while its description is empty is therefore marked in subkey
// "HideBlank" too. Reading stores nothing.
#include <string>

#include "settings/Settings.h"

namespace bx {

bool StoredAsHidden(Settings& settings, const std::string& id, const std::string& description);
void StoreHidden(Settings& settings, const std::string& id, const std::string& description, bool hidden);
// Whether the mode list leaves the mode out: hidden, and not the mode last selected (the
// whole mode line stored as "Mode"; reading that value stores it empty when missing).
bool HiddenInList(Settings& settings, const std::string& id, const std::string& description,
                  const std::string& line);

}  // namespace bx
