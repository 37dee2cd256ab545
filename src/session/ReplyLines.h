#pragma once
// The lines of an adapter's reply, read as what they say: each line of an identity or
// mode-switch reply is one typed item, and the identity record is what those items
// leave behind. The parsers see only the reply's lines, never a control.
#include <optional>
#include <string>
#include <vector>

namespace bx {

enum class ReplyKey {
  Other,         // not a line of the identity record: stays in the log as the adapter sent it
  SelectedMode,  // "Selected Mode: ..." (value: the text after the prefix)
  Mode,          // "ID - description" and its siblings with another marker
  Rights,        // "USB-..." (value: the whole line) or "CR:"
  Serial,        // "SN:"
  Signature,     // "ID:"
  Firmware,      // "FW:"
  WiFiVersion,   // "WW:" or "WWS:"
  SystemOptions, // "SI:"
  WiFiRecord,    // "WS:"
  AccessPoint,   // "APx:" (third: x)
  Bootware,      // "BW:": the adapter has a bootloader
  Hardware,      // "HW:"
  PassThru,      // "PT:": the version of the pass-thru driver the adapter hands out
  Flag,          // "PI:", "UI:", "PA:", "UA:": flags the program does not act on
  Battery,       // "UB:"
};

struct ReplyLine {
  ReplyKey key = ReplyKey::Other;
  std::string value;
  // Mode lines: the ID, its marker ('-', '_', '+' or '*') and the description.
  std::string modeId;
  char marker = 0;
  // Access-point lines: the third character of the key.
  char third = 0;
  // Whether the line is taken out of the log's unused lines: every line of the record
  // is, except a mode line with a marker other than '-'.
  bool Used() const { return key != ReplyKey::Other && !(key == ReplyKey::Mode && marker != '-'); }
};

// A reply's lines as the adapter ends them (CR LF; a bare CR or LF stays in its line);
// text after the last CR LF is a line of its own.
std::vector<std::string> CrLfLines(const std::string& text);

// 1-3 when the line is a mode line (an ID of that many characters 0-9 A-Z and a marker
// " - ", " _ ", " + " or " * "), else 0.
int ModeIdLength(const std::string& line);

// `modeLines`: whether mode lines are read as such (a reader without a mode list takes
// them as any other line).
ReplyLine ReadReplyLine(const std::string& line, bool modeLines = true);

// What the log pane shows of a reply: the record's lines the record takes (the others
// are the adapter's own notes, left out), then every line after the record.
std::vector<std::string> LogLines(const std::string& reply);

// The lines of a reply that belong to its record: those before the first empty line or
// line beginning with "-".
std::vector<std::string> RecordLines(const std::vector<std::string>& lines);

struct ModeEntry {
  std::string id;
  std::string description;
  std::string line;  // the whole line, as the adapter sent it
};

// What an adapter said of itself: each field is the last line of its key since the
// record was last cleared (a mode switch's reply updates the fields it repeats).
struct IdentityRecord {
  std::string serial, firmware, bootware, hardware, signature, wifiVersion, rights, passThruVersion;
  std::optional<std::string> battery;  // "UB:" seen: the text, possibly empty
  bool bootloader = false;             // "BW:" seen
  std::optional<std::string> systemOptions, wifiRecord;
  std::vector<std::string> flags;
  std::vector<ModeEntry> modes;           // the '-' mode lines in reply order
  std::vector<std::string> selectedMode;  // the texts after "Selected Mode: ", in order

  bool Identified() const { return !serial.empty(); }
  // Takes one line's item into the record.
  void Take(const ReplyLine& line, const std::string& text);
};

// The record of a whole reply, as from cleared.
IdentityRecord ReadIdentity(const std::vector<std::string>& lines);

// The mode a reply's "Selected Mode: " lines leave selected. `lastId` is the ID the last
// such line names (its own ID length, or `idLength` when the text has no mode ID);
// `markedId` the ID of the last line that names a listed mode, and `markedText` that
// line's text. An entry whose ID is not `lastId` is not selected.
struct ModeSelection {
  std::optional<std::string> lastId;
  std::optional<std::string> markedId;
  std::string markedText;
  // Every listed ID some line names, in the order first named: each line marks its
  // entries as it is read, so an entry an earlier line marked and a later one reset shows
  // as reset from selected, not from where it was.
  std::vector<std::string> namedIds;
};
// The texts after "Selected Mode: " of every line that has one (the whole reply: such a
// line counts after the record's end too).
std::vector<std::string> SelectedModeTexts(const std::vector<std::string>& lines);
ModeSelection ReadModeSelection(const std::vector<std::string>& selectedTexts, const std::vector<std::string>& listedIds,
                                int idLength);

}  // namespace bx
