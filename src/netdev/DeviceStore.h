#pragma once
// The stored network device list: the values Net0, Net1, ... of the "Network" subkey of
// the settings key, one device line each, "~" in front when the device is disabled. The
// network link reads them from the machine hive; writes go to both hives.
#include <string>
#include <vector>

#include "links/NetDevice.h"

namespace bx {

class Registry;

// The marks of the list rows: state images of the shared icon list.
inline constexpr int kMarkNone = -1;          // stored, enabled, not heard in the last search
inline constexpr int kMarkNew = 5;            // found or added, not yet saved
inline constexpr int kMarkDisabled = 7;       // stored, disabled
inline constexpr int kMarkFound = 8;          // stored, enabled, answered the last search
inline constexpr int kMarkDisabledFound = 9;  // stored, disabled, answered the last search
inline constexpr bool IsDisabledMark(int mark) { return mark == kMarkDisabled || mark == kMarkDisabledFound; }

// One word per mark, for printed lists: "Stored", "New", "Disabled", "Found",
// "Disabled-Found"; "?" for any other value.
const char* MarkWord(int mark);

// The stored value of a device: "~" when disabled, then its device line.
std::string StoredLine(const NetDevice& device, bool disabled);

// The three-way merge of a save. An entry is a device by its address (IP and port; a
// line that is no device line is its own entry). An entry this process added, changed or
// deleted since `loaded` is as `mine` has it (the later edit wins); any other entry is as
// `stored` has it now, so what another process added, changed or deleted meanwhile stays.
// Entries in `mine` keep their order; those only stored follow in stored order.
std::vector<std::string> MergeLines(const std::vector<std::string>& loaded, const std::vector<std::string>& mine,
                                    const std::vector<std::string>& stored);

class DeviceStore {
 public:
  // `settingsKey` is the program's settings key; the list lives in its "Network" subkey.
  DeviceStore(Registry& registry, std::string settingsKey);

  const std::string& Key() const { return key_; }
  // The stored lines as the network link reads them: machine hive, from Net0 up to the
  // first value that is missing, empty or not text.
  std::vector<std::string> ReadLines();
  // Writes lines[i] as "Net" + i in both hives, then removes every other "Net" + n value
  // (n >= lines.size()) from both hives, so that no older line can come back.
  void WriteLines(const std::vector<std::string>& lines);
  // Saves this process's list over what is stored now, in one store transaction: `loaded`
  // is the list as this process last read or saved it, `mine` the list it wants stored.
  // Returns the list written (MergeLines of the three).
  std::vector<std::string> SaveLines(const std::vector<std::string>& loaded, const std::vector<std::string>& mine);

 private:
  Registry& reg_;
  std::string key_;
};

}  // namespace bx
