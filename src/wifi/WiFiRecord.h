#pragma once
// The adapter's WiFi bridge record as the WiFi page reads and saves it, without a
// control: its entries, the value a "WS:" pair gives an entry, the checks of a value
// before it is sent, and the save command of the changed entries. The page and the
// command line's wifi command both work through these.
//
// A value is held as the record has it: an entry's text; "1" or "0" for a check box; the
// channel "1" to "13"; the security code "0", "2", "3" or "4" (Open, WPA-PSK, WPA2-PSK,
// WPA-WPA2-PSK). An empty channel or code means none chosen.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bx {

enum class WiFiKind { Text, Check, Channel, Security };

struct WiFiEntry {
  const char* key;
  WiFiKind kind;
  bool saved;                  // whether Save writes it back
  bool staticAddress = false;  // saved only while DHCP is off
  int maxLength = 0;           // the characters a text entry takes (0: only read)
};

// In the order Save takes them, then the entries that are only read.
const std::vector<WiFiEntry>& WiFiEntries();
const WiFiEntry* FindWiFiEntry(std::string_view key);

// The choices of a channel or security entry as the page lists them: "1" to "13", and
// the security texts in the order of their codes.
const std::vector<std::string>& WiFiChoices(WiFiKind kind);
// The security code of a choice (its place in the list; -1: none) and back.
std::string SecurityCode(int choice);
int SecurityChoice(const std::string& code);

// What one pair of a "WS:" payload (raw, as ScanQueryPairs gives it) sets: decoded, the
// key cut to 5 bytes and the value to 32. Nothing when the key names no entry, or the
// value is a channel or security code the page does not offer (which leaves the entry as
// it was); a negative code clears the choice.
struct WiFiPair {
  const WiFiEntry* entry;
  std::string value;
};
std::optional<WiFiPair> ReadWiFiPair(const std::string& rawKey, const std::string& rawValue);

// Why a value cannot be saved into the entry ("the SoftAP IP "999.1.1" is no IPv4
// address of four numbers 0-255"), "" when it can: ports, addresses and masks are checked.
std::string WiFiValueProblem(const WiFiEntry& entry, const std::string& value);

// The save command ("WC?KEY=value&...") of the entries for which `changed` gives a value,
// in the record's order; with DHCP on the static addresses stay out. `sent` (if given)
// gets the entries it holds. "" when there is none.
std::string WiFiSaveCommand(const std::function<std::optional<std::string>(const WiFiEntry&)>& changed, bool dhcp,
                            std::vector<const WiFiEntry*>* sent = nullptr);

// The record as values, one per entry: what the page's fields show, without the page.
class WiFiRecord {
 public:
  WiFiRecord();
  // Every entry empty, unchecked, unchosen: as the page is before a read.
  void Clear();
  // A "WS:" payload over what the record holds: the entries it names take its values.
  void Apply(std::string_view payload);
  const std::string& Value(const WiFiEntry& entry) const;
  void Set(const WiFiEntry& entry, std::string value);

 private:
  std::vector<std::string> values_;  // in the order of WiFiEntries()
};

}  // namespace bx
