#include "sim/Scenario.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>

#include "sim/Percent.h"

namespace bx::sim {
namespace {

bool IdChar(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> SplitList(std::string_view s) {
  std::vector<std::string_view> out;
  while (!s.empty()) {
    const std::size_t c = s.find(',');
    const std::string_view item = Trim(s.substr(0, c));
    if (!item.empty()) out.push_back(item);
    if (c == std::string_view::npos) break;
    s.remove_prefix(c + 1);
  }
  return out;
}

bool ToInt(std::string_view v, long long lo, long long hi, long long& out, std::string& error) {
  if (!ParseInt(v, out) || out < lo || out > hi) {
    error = Format("expected a whole number from %lld to %lld, got \"%.*s\"", lo, hi, int(v.size()), v.data());
    return false;
  }
  return true;
}

using Setter = std::function<bool(Scenario&, std::string_view, std::string&)>;

struct Key {
  const char* name;
  const char* help;
  Setter set;
  bool repeatable = false;
};

Setter Text(std::string Scenario::*field) {
  return [field](Scenario& s, std::string_view v, std::string&) {
    s.*field = std::string(v);
    return true;
  };
}

Setter Raw(Bytes Scenario::*field) {
  return [field](Scenario& s, std::string_view v, std::string&) {
    s.*field = Unescape(v);
    return true;
  };
}

template <typename T>
Setter Number(T Scenario::*field, long long lo, long long hi) {
  return [field, lo, hi](Scenario& s, std::string_view v, std::string& e) {
    long long n = 0;
    if (!ToInt(v, lo, hi, n, e)) return false;
    s.*field = static_cast<T>(n);
    return true;
  };
}

Setter Flag(bool Scenario::*field) {
  return [field](Scenario& s, std::string_view v, std::string& e) {
    if (v == "1" || v == "yes" || v == "true" || v == "on")
      s.*field = true;
    else if (v == "0" || v == "no" || v == "false" || v == "off")
      s.*field = false;
    else {
      e = "expected 0 or 1";
      return false;
    }
    return true;
  };
}

bool SetOptions(Scenario& s, std::string_view v, std::string& e) {
  if (v.size() % 2 != 0) {
    e = "options are letter/digit pairs such as B1W2N1D0L0";
    return false;
  }
  for (std::size_t i = 0; i < v.size(); i += 2) {
    const char letter = v[i], digit = v[i + 1];
    if (digit < '0' || digit > '9') {
      e = Format("option %c needs a digit", letter);
      return false;
    }
    const int d = digit - '0';
    switch (letter) {
      case 'B':
        s.optB = d;
        break;
      case 'W':
        s.optW = d;
        break;
      case 'N':
        s.optN = d;
        break;
      case 'D':
        s.optD = d;
        break;
      case 'L':
        s.optL = d;
        break;
      default:
        e = Format("unknown option letter %c (B W N D L)", letter);
        return false;
    }
  }
  return true;
}

bool SetWifi(Scenario& s, std::string_view v, std::string& e) {
  Pairs pairs;
  if (!ParsePairs(v, pairs)) {
    e = "expected percent-encoded pairs such as ALIAS=My%20Car&APCH=6";
    return false;
  }
  for (auto& [k, val] : pairs) {
    bool found = false;
    for (auto& entry : s.wifi)
      if (entry.first == k) {
        entry.second = val;
        found = true;
      }
    if (!found) s.wifi.emplace_back(k, val);
  }
  return true;
}

bool SetSilent(Scenario& s, std::string_view v, std::string& e) {
  for (std::string_view item : SplitList(v)) {
    SilenceRule r;
    const std::size_t colon = item.find(':');
    r.command = std::string(item.substr(0, colon));
    if (r.command == "all") r.command = "*";
    if (colon != std::string_view::npos) {
      long long n = 0;
      if (!ToInt(item.substr(colon + 1), 0, 1000000, n, e)) return false;
      r.count = int(n);
    }
    s.silent.push_back(r);
  }
  return true;
}

bool SetNakPages(Scenario& s, std::string_view v, std::string& e) {
  for (std::string_view item : SplitList(v)) {
    NakRule r;
    const std::size_t colon = item.find(':');
    long long n = 0;
    if (!ToInt(item.substr(0, colon), 0, 65534, n, e)) return false;
    r.page = int(n);
    if (colon != std::string_view::npos) {
      if (!ToInt(item.substr(colon + 1), 1, 1000000, n, e)) return false;
      r.times = int(n);
    }
    s.nakPages.push_back(r);
  }
  return true;
}

bool SetPageJump(Scenario& s, std::string_view v, std::string& e) {
  const std::size_t colon = v.find(':');
  long long after = 0, to = 0;
  if (colon == std::string_view::npos) {
    e = "expected PAGE:TO, e.g. 0:385";
    return false;
  }
  if (!ToInt(Trim(v.substr(0, colon)), -1, 65534, after, e) || !ToInt(Trim(v.substr(colon + 1)), 0, 65535, to, e))
    return false;
  s.jumpAfterPage = int(after);
  s.jumpToPage = int(to);
  return true;
}

// Only a regular file of at most the largest driver: a device such as /dev/zero would
// never end, a FIFO could block the simulator for good, and a directory reads as nothing.
bool ReadDriverFile(const std::string& path, Bytes& out, std::string& e) {
  constexpr std::uintmax_t kMaxDriverFile = 16 * 1024 * 1024;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    e = "cannot read " + path + " (not a regular file)";
    return false;
  }
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  std::ifstream f{path, std::ios::binary};
  if (ec || !f) {
    e = "cannot read " + path;
    return false;
  }
  if (size > kMaxDriverFile) {
    e = Format("%s is larger than %ju bytes", path.c_str(), kMaxDriverFile);
    return false;
  }
  Bytes data(static_cast<std::size_t>(size), '\0');
  f.read(data.data(), static_cast<std::streamsize>(data.size()));
  data.resize(static_cast<std::size_t>(f.gcount()));
  out = std::move(data);
  return true;
}

const std::vector<Key>& Keys() {
  static const std::vector<Key> keys = {
      {"serial", "serial number (\"SN:\"; its first 8 characters in the bootloader's header reply)",
       Text(&Scenario::serial)},
      {"firmware", "firmware version (\"FW:\")", Text(&Scenario::firmware)},
      {"bootware", "bootware version (\"BW:\")", Text(&Scenario::bootware)},
      {"hardware", "hardware (\"HW:\")", Text(&Scenario::hardware)},
      {"signature", "signature (\"ID:\")", Text(&Scenario::signature)},
      {"copyright", "rights notice (\"CR:\")", Text(&Scenario::copyright)},
      {"passthru", "pass-thru driver version (\"PT:\")", Text(&Scenario::passthru)},
      {"battery", "battery text (\"UB:\")", Text(&Scenario::battery)},
      {"wifi_firmware", "WiFi chipset firmware (\"WW:\")", Text(&Scenario::wifiFirmware)},
      {"extra", "one more identity line, as given (repeatable)",
       [](Scenario& s, std::string_view v, std::string&) {
         s.extraLines.emplace_back(v);
         return true;
       },
       true},
      {"omit", "identity keys to leave out, e.g. UB,WW",
       [](Scenario& s, std::string_view v, std::string&) {
         for (auto k : SplitList(v)) s.omit.insert(std::string(k));
         return true;
       }},
      {"mode", "a mode line \"ID MARKER DESCRIPTION\", marker one of - _ + * (repeatable)",
       [](Scenario& s, std::string_view v, std::string& e) {
         ModeEntry m;
         if (!ParseModeLine(v, m)) {
           e = "not a mode line (1-3 characters 0-9 A-Z, then \" - \", \" _ \", \" + \" or \" * \")";
           return false;
         }
         s.modes.push_back(m);
         return true;
       },
       true},
      {"selected", "ID of the running mode (empty: no \"Selected Mode: \" line)", Text(&Scenario::selectedMode)},
      {"options", "system options as \"SI:\" pairs, e.g. B1W2N1D0L0", SetOptions},
      {"wifi", "WiFi record pairs, percent-encoded, e.g. ALIAS=My%20Car&APCH=6", SetWifi},
      {"ap", "an access-point scan payload: channel,rssi,security,mac,\"ssid\" (repeatable)",
       [](Scenario& s, std::string_view v, std::string&) {
         s.accessPoints.emplace_back(v);
         return true;
       },
       true},
      {"scan_delay_ms", "time the access-point scan takes", Number(&Scenario::scanDelayMs, 0, 600000)},
      {"wifi_op_ms", "time the WiFi chip update and factory reset take", Number(&Scenario::wifiOpMs, 0, 600000)},
      {"test_duration_ms", "time the self-test log takes", Number(&Scenario::testDurationMs, 0, 3600000)},
      {"test_steps", "progress counter updates in the self-test log", Number(&Scenario::testSteps, 1, 10000)},
      {"test_errors", "lines with \"ERROR\" in the self-test log", Number(&Scenario::testErrors, 0, 10000)},
      {"test_warnings", "lines with \"WARNING\" in the self-test log", Number(&Scenario::testWarnings, 0, 10000)},
      {"driver_form", "MZ (library) or PK (zip archive holding the library)",
       [](Scenario& s, std::string_view v, std::string& e) {
         if (v != "MZ" && v != "PK") {
           e = "expected MZ or PK";
           return false;
         }
         s.driverForm = std::string(v);
         return true;
       }},
      {"driver_version", "version marker text in the driver (default: the \"PT:\" version)",
       Text(&Scenario::driverVersion)},
      {"driver_size", "size of the driver library in bytes", Number(&Scenario::driverSize, 64, 16 * 1024 * 1024)},
      {"driver_file", "send this file verbatim between [BEGIN] and [END]",
       [](Scenario& s, std::string_view v, std::string& e) { return ReadDriverFile(std::string(v), s.driverFile, e); }},
      {"driver_prefix", "bytes sent before \"[BEGIN]\" in the driver answer (escapes \\r \\n \\xHH)",
       Raw(&Scenario::driverPrefix)},
      {"driver_end", "0: the driver answer ends with the file, without \"[END]\"", Flag(&Scenario::driverEnd)},
      {"driver_cut", "cut the driver answer after this many bytes (-1: send it whole)",
       Number(&Scenario::driverCut, -1, INT64_MAX)},
      {"net_name", "name in the UDP search answer", Text(&Scenario::netName)},
      {"net_mac", "MAC in the UDP search answer", Text(&Scenario::netMac)},
      {"net_ip", "IP in the UDP search answer (default: the TCP listener's)", Text(&Scenario::netIp)},
      {"net_port", "port in the UDP search answer (default: the TCP listener's)", Text(&Scenario::netPort)},
      {"udp_answer",
       "an answer to the search (repeatable; the first replaces the own line):\n"
       "                       [to=any|broadcast|direct] [delay=MS] [repeat=N] [size=BYTES] TEXT;\n"
       "                       TEXT @device is the adapter's own device line; escapes \\r \\n \\xHH",
       [](Scenario& s, std::string_view v, std::string& e) {
         UdpAnswerRule r;
         if (!ParseUdpAnswer(v, r, e)) return false;
         s.udpAnswers.push_back(r);
         return true;
       },
       true},
      {"page_size", "bootloader page size (0 allowed, for a negative test)", Number(&Scenario::pageSize, 0, 65535)},
      {"header_extension", "1: silent after the 80-byte header until the 184-byte extension block came",
       Flag(&Scenario::headerExtension)},
      {"prompt_delay_ms", "send \">\" this long after entering the bootloader (-1: never)",
       Number(&Scenario::promptDelayMs, -1, 600000)},
      {"flash_delay_ms", "flash-write time per page before its acknowledgement",
       Number(&Scenario::flashDelayMs, 0, 600000)},
      {"nak_page", "pages answered \"-\": PAGE[:TIMES],... (repeatable)", SetNakPages, true},
      {"page_jump",
       "PAGE:TO: once page PAGE is acknowledged, ask for page TO instead of the next (a bootloader\n"
       "                       that skips pages)",
       SetPageJump},
      {"nak_rate", "share of page frames answered \"-\" at random, 0 to 1",
       [](Scenario& s, std::string_view v, std::string& e) {
         try {
           std::size_t used = 0;
           const double r = std::stod(std::string(v), &used);
           if (used != v.size() || r < 0 || r > 1) throw std::invalid_argument("range");
           s.nakRate = r;
           return true;
         } catch (const std::exception&) {
           e = "expected a number from 0 to 1";
           return false;
         }
       }},
      {"boot_id", "ID text of the bootloader's header reply (default: the signature)", Text(&Scenario::bootId)},
      {"frame_timeout_ms", "a bootloader frame that stalls this long is dropped and NAKed",
       Number(&Scenario::frameTimeoutMs, 1, 600000)},
      {"seed", "seed of every random fault", Number(&Scenario::seed, 0, INT64_MAX)},
      {"baud", "emulate this baud rate, 8N1 (bytes per second = baud / 10), each way",
       [](Scenario& s, std::string_view v, std::string& e) {
         long long n = 0;
         if (!ToInt(v, 0, 100000000, n, e)) return false;
         s.byteRate = n / 10;
         return true;
       }},
      {"byte_rate", "byte rate limit in bytes per second, each way (0: none)",
       Number(&Scenario::byteRate, 0, 1000000000)},
      {"silent", "no reply to these commands: all, or I,M,T,U,R,S,SD,WC,WC?,WS,WU,WE,D, each with :COUNT", SetSilent,
       true},
      {"noise", "random bytes (never CR or LF) before every reply frame", Number(&Scenario::noise, 0, 1000000)},
      {"noise_text", "these bytes before every reply frame (escapes \\r \\n \\xHH)", Raw(&Scenario::noiseText)},
      {"chunk_size", "send replies in chunks of this many bytes (0: whole)", Number(&Scenario::chunkSize, 0, 1000000)},
      {"chunk_delay_ms", "pause between chunks", Number(&Scenario::chunkDelayMs, 0, 600000)},
      {"chunk_random", "1: chunk sizes drawn from 1..chunk_size", Flag(&Scenario::chunkRandom)},
      {"trailing", "bytes sent after every reply frame (escapes \\r \\n \\xHH)", Raw(&Scenario::trailing)},
      {"overlong", "a filler line of this many bytes inside every reply frame",
       Number(&Scenario::overlong, 0, 64 * 1024 * 1024)},
      {"disconnect_after_rx", "drop the connection once, when this many bytes have been received",
       Number(&Scenario::disconnectAfterRx, -1, INT64_MAX)},
      {"disconnect_after_tx", "drop the connection once, when this many bytes have been sent",
       Number(&Scenario::disconnectAfterTx, -1, INT64_MAX)},
      {"command_gap_ms", "silence that ends a command whose end cannot be told from its text",
       Number(&Scenario::commandGapMs, 1, 60000)},
  };
  return keys;
}

}  // namespace

bool ParseModeLine(std::string_view line, ModeEntry& out) {
  std::size_t n = 0;
  while (n < line.size() && n < 4 && IdChar(line[n])) ++n;
  if (n == 0 || n > 3 || line.size() < n + 3) return false;
  const std::string_view marker = line.substr(n, 3);
  if (marker != " - " && marker != " _ " && marker != " + " && marker != " * ") return false;
  out.id = std::string(line.substr(0, n));
  out.marker = std::string(marker);
  out.description = std::string(line.substr(n + 3));
  return true;
}

bool ParseUdpAnswer(std::string_view v, UdpAnswerRule& out, std::string& e) {
  UdpAnswerRule r;
  for (;;) {
    const std::size_t space = v.find(' ');
    const std::string_view word = v.substr(0, space);
    const std::size_t eq = word.find('=');
    const std::string_view name = word.substr(0, eq), value = eq == std::string_view::npos ? "" : word.substr(eq + 1);
    long long n = 0;
    if (eq == std::string_view::npos || (name != "to" && name != "delay" && name != "repeat" && name != "size")) break;
    if (name == "to") {
      if (value == "any")
        r.to = UdpAnswerRule::To::Any;
      else if (value == "broadcast")
        r.to = UdpAnswerRule::To::Broadcast;
      else if (value == "direct")
        r.to = UdpAnswerRule::To::Direct;
      else {
        e = "to= wants any, broadcast or direct";
        return false;
      }
    } else if (!ToInt(value, name == "repeat" ? 1 : 0,
                      name == "delay"    ? 600000
                      : name == "repeat" ? 100
                                         : 65507,
                      n, e)) {
      e = std::string(name) + "=: " + e;
      return false;
    } else {
      (name == "delay" ? r.delayMs : name == "repeat" ? r.repeat : r.size) = int(n);
    }
    v = space == std::string_view::npos ? std::string_view() : v.substr(space + 1);
  }
  r.text = Unescape(v);
  out = r;
  return true;
}

Scenario::Scenario() {
  const char* modeLines[] = {"000 - Default Mode",      "01 - J2534 Pass-Thru", "02 - OBD Command Emulation",
                             "03 - Serial Gateway",     "04 _ Reserved",        "05 + Legacy Pass-Thru",
                             "06 * Factory Calibration"};
  for (const char* l : modeLines) {
    ModeEntry m;
    ParseModeLine(l, m);
    modes.push_back(m);
  }
  wifi = {{"WSBID", "BX-WSB-0017"},
          {"ALIAS", "Brevantix"},
          {"WSBFW", "2.1.0"},
          {"WSBP", "35000"},
          {"WSBWP", "80"},
          {"APMAC", "02:42:58:00:00:18"},
          {"APSID", "Brevantix-0017"},
          {"APPW", "brevantix"},
          {"APCH", "6"},
          {"APAUT", "3"},
          {"HIDE", "0"},
          {"APIP", "192.168.4.1"},
          {"APNM", "255.255.255.0"},
          {"APGW", "192.168.4.1"},
          {"STEN", "0"},
          {"STMAC", "02:42:58:00:00:19"},
          {"STAP", ""},
          {"STPW", ""},
          {"SDHCP", "1"},
          {"STIP", "192.168.1.50"},
          {"STNM", "255.255.255.0"},
          {"STGW", "192.168.1.1"},
          {"SDNS0", "192.168.1.1"},
          {"SDNS1", "8.8.8.8"}};
  accessPoints = {"6,-58,3,A0:B1:C2:D3:E4:F5,\"Garage\"", "11,-71,4,0A:1B:2C:3D:4E:5F,\"Office Net\"",
                  "1,-85,0,12:34:56:78:9A:BC,\"Guest\""};
}

bool ScenarioLoader::Set(std::string_view key, std::string_view value, std::string& error) {
  for (const Key& k : Keys()) {
    if (key != k.name) continue;
    if (k.repeatable && replaced_.insert(k.name).second) {
      if (key == "mode")
        s_.modes.clear();
      else if (key == "ap")
        s_.accessPoints.clear();
      else if (key == "extra")
        s_.extraLines.clear();
      else if (key == "nak_page")
        s_.nakPages.clear();
      else if (key == "silent")
        s_.silent.clear();
      else if (key == "udp_answer")
        s_.udpAnswers.clear();
    }
    std::string e;
    if (!k.set(s_, value, e)) {
      error = std::string(key) + ": " + e;
      return false;
    }
    return true;
  }
  error = "unknown key \"" + std::string(key) + "\"";
  return false;
}

bool ScenarioLoader::SetAssignment(std::string_view kv, std::string& error) {
  const std::size_t eq = kv.find('=');
  if (eq == std::string_view::npos) {
    error = "expected key=value, got \"" + std::string(kv) + "\"";
    return false;
  }
  return Set(Trim(kv.substr(0, eq)), Trim(kv.substr(eq + 1)), error);
}

bool ScenarioLoader::ParseText(std::string_view text, std::string& error) {
  int lineNo = 0;
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    const std::string_view line = Trim(text.substr(0, nl));
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    ++lineNo;
    if (line.empty() || line.front() == '#') continue;
    std::string e;
    if (!SetAssignment(line, e)) {
      error = Format("line %d: ", lineNo) + e;
      return false;
    }
  }
  return true;
}

bool ScenarioLoader::LoadFile(const std::string& path, std::string& error) {
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    error = "cannot read scenario file " + path;
    return false;
  }
  std::ostringstream ss;
  ss << f.rdbuf();
  std::string e;
  if (!ParseText(ss.str(), e)) {
    error = path + ": " + e;
    return false;
  }
  return true;
}

std::string ScenarioKeysHelp() {
  std::string out;
  for (const Key& k : Keys()) out += Format("  %-20s %s\n", k.name, k.help);
  return out;
}

Bytes Unescape(std::string_view s) {
  Bytes out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    const char c = s[++i];
    if (c == 'r')
      out += '\r';
    else if (c == 'n')
      out += '\n';
    else if (c == 't')
      out += '\t';
    else if (c == '0')
      out += '\0';
    else if (c == 'x' && i + 2 < s.size()) {
      const std::string hex(s.substr(i + 1, 2));
      char* end = nullptr;
      const long v = std::strtol(hex.c_str(), &end, 16);
      if (end == hex.c_str() + 2) {
        out += char(v);
        i += 2;
      } else {
        out += "\\x";
      }
    } else
      out += c;
  }
  return out;
}

}  // namespace bx::sim
