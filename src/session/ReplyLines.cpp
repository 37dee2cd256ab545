#include "session/ReplyLines.h"

#include <algorithm>

#include "core/Bytes.h"

namespace bx {

namespace {
bool IdChar(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }
bool IsMarker(const std::string& s) { return s == " - " || s == " _ " || s == " + " || s == " * "; }

bool Key(const std::string& line, const char* key, std::string& value) {
  if (!StartsWith(line, key)) return false;
  value = line.substr(std::char_traits<char>::length(key));
  return true;
}

constexpr const char* kSelectedMode = "Selected Mode: ";
constexpr std::size_t kSelectedModeLength = 15;
}  // namespace

std::vector<std::string> CrLfLines(const std::string& text) { return SplitCrLf(text); }

int ModeIdLength(const std::string& line) {
  for (int pos = 0; pos < 4; ++pos) {
    if (pos < static_cast<int>(line.size()) && IdChar(line[static_cast<std::size_t>(pos)])) continue;
    if (pos == 0) return 0;
    return IsMarker(line.substr(static_cast<std::size_t>(pos), 3)) ? pos : 0;
  }
  return 0;
}

ReplyLine ReadReplyLine(const std::string& line, bool modeLines) {
  ReplyLine r;
  std::string& v = r.value;
  const auto is = [&r](ReplyKey k) {
    r.key = k;
    return r;
  };
  if (line.compare(0, kSelectedModeLength, kSelectedMode) == 0) {
    v = line.substr(kSelectedModeLength);
    return is(ReplyKey::SelectedMode);
  }
  if (modeLines) {
    if (const int n = ModeIdLength(line); n > 0) {
      const auto L = static_cast<std::size_t>(n);
      r.modeId = line.substr(0, L);
      r.marker = line[L + 1];
      v = line.size() > L + 3 ? line.substr(L + 3) : "";
      return is(ReplyKey::Mode);
    }
  }
  if (StartsWith(line, "USB-")) {
    v = line;
    return is(ReplyKey::Rights);
  }
  struct Prefix {
    const char* key;
    ReplyKey kind;
  };
  static constexpr Prefix kPrefixes[] = {
      {"CR:", ReplyKey::Rights},        {"SN:", ReplyKey::Serial},      {"ID:", ReplyKey::Signature},
      {"FW:", ReplyKey::Firmware},      {"WW:", ReplyKey::WiFiVersion}, {"WWS:", ReplyKey::WiFiVersion},
      {"SI:", ReplyKey::SystemOptions}, {"WS:", ReplyKey::WiFiRecord},
  };
  for (const Prefix& p : kPrefixes)
    if (Key(line, p.key, v)) return is(p.kind);
  if (line.size() >= 4 && line[0] == 'A' && line[1] == 'P' && line[3] == ':') {
    r.third = line[2];
    v = line.substr(4);
    return is(ReplyKey::AccessPoint);
  }
  static constexpr Prefix kLater[] = {
      {"BW:", ReplyKey::Bootware}, {"HW:", ReplyKey::Hardware}, {"PT:", ReplyKey::PassThru}, {"PI:", ReplyKey::Flag},
      {"UI:", ReplyKey::Flag},     {"PA:", ReplyKey::Flag},     {"UA:", ReplyKey::Flag},     {"UB:", ReplyKey::Battery},
  };
  for (const Prefix& p : kLater)
    if (Key(line, p.key, v)) return is(p.kind);
  v.clear();
  return r;
}

std::vector<std::string> RecordLines(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const std::string& line : lines) {
    if (line.empty() || line[0] == '-') break;
    out.push_back(line);
  }
  return out;
}

void IdentityRecord::Take(const ReplyLine& line, const std::string& text) {
  const std::string& v = line.value;
  switch (line.key) {
    case ReplyKey::Other:
      break;
    case ReplyKey::SelectedMode:
      selectedMode.push_back(v);
      break;
    case ReplyKey::Mode:
      if (line.marker == '-') modes.push_back({line.modeId, v, text});
      break;
    case ReplyKey::Rights:
      rights = v;
      break;
    case ReplyKey::Serial:
      serial = v;
      break;
    case ReplyKey::Signature:
      signature = v;
      break;
    case ReplyKey::Firmware:
      firmware = v;
      break;
    case ReplyKey::WiFiVersion:
      wifiVersion = v;
      break;
    case ReplyKey::SystemOptions:
      systemOptions = v;
      break;
    case ReplyKey::WiFiRecord:
      wifiRecord = v;
      break;
    case ReplyKey::AccessPoint:
      break;
    case ReplyKey::Bootware:
      bootware = v;
      bootloader = true;
      break;
    case ReplyKey::Hardware:
      hardware = v;
      break;
    case ReplyKey::PassThru:
      passThruVersion = v;
      break;
    case ReplyKey::Flag:
      flags.push_back(text);
      break;
    case ReplyKey::Battery:
      battery = v;
      break;
  }
}

IdentityRecord ReadIdentity(const std::vector<std::string>& lines) {
  IdentityRecord r;
  for (const std::string& line : RecordLines(lines)) r.Take(ReadReplyLine(line), line);
  return r;
}

ModeSelection ReadModeSelection(const std::vector<std::string>& selectedTexts, const std::vector<std::string>& listedIds,
                                int idLength) {
  ModeSelection s;
  for (const std::string& rest : selectedTexts) {
    // The whole ID of the named mode: "000" (the default mode) is not "00", even when the
    // last mode line listed had a two-character ID.
    const int named = ModeIdLength(rest);
    const std::string id = rest.substr(0, static_cast<std::size_t>(named > 0 ? named : idLength));
    s.lastId = id;
    for (const std::string& listed : listedIds) {
      if (listed != id) continue;
      s.markedId = id;
      s.markedText = rest;
      if (std::find(s.namedIds.begin(), s.namedIds.end(), id) == s.namedIds.end()) s.namedIds.push_back(id);
      break;
    }
  }
  return s;
}

std::vector<std::string> LogLines(const std::string& reply) {
  const std::vector<std::string> lines = CrLfLines(reply);
  const std::size_t record = RecordLines(lines).size();
  std::vector<std::string> kept;
  for (std::size_t i = 0; i < record; ++i)
    if (ReadReplyLine(lines[i]).Used()) kept.push_back(lines[i]);
  std::string text = reply;
  if (kept.size() < record) {
    kept.insert(kept.end(), lines.begin() + static_cast<std::ptrdiff_t>(record), lines.end());
    text = kept.empty() ? std::string() : JoinLines(kept) + (EndsWith(reply, "\r\n") ? "\r\n" : "");
  }
  return CrLfLines(text);
}

std::vector<std::string> SelectedModeTexts(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const std::string& line : lines)
    if (line.size() >= kSelectedModeLength && line.compare(0, kSelectedModeLength, kSelectedMode) == 0)
      out.push_back(line.substr(kSelectedModeLength));
  return out;
}

}  // namespace bx
