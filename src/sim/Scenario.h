#pragma once
// What the simulated adapter is and how it misbehaves: identity, modes, options, WiFi
// record, access points, self-test, driver file, bootloader and faults. Filled from a
// scenario file of "key = value" lines and from command-line "--set key=value" options;
// every key is listed by ScenarioKeysHelp().
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/Bytes.h"

namespace bx::sim {

struct ModeEntry {
  std::string id;      // 1 to 3 characters 0-9 or A-Z
  std::string marker;  // " - ", " _ ", " + " or " * "
  std::string description;
  std::string Line() const { return id + marker + description; }
};

// A mode line as the adapter lists it: "01 - OBD-II". False when the text is not one.
bool ParseModeLine(std::string_view line, ModeEntry& out);

struct SilenceRule {
  std::string command;  // command name as CommandName() gives it, or "*" for every command
  int count = -1;       // how many of them go unanswered; -1: all
};

struct NakRule {
  int page = 0;
  int times = 1;  // that many receipts of the page are answered "-"
};

// One scripted answer to the network search. The text "@device" stands for the adapter's
// own device line.
struct UdpAnswerRule {
  enum class To { Any, Broadcast, Direct };  // which requests it answers: sent to a broadcast address, or to it
  To to = To::Any;
  int delayMs = 0;
  int repeat = 1;  // sent this many times
  int size = 0;    // padded with '.' to this many bytes (0: as it is)
  Bytes text = "@device";
};

// "[to=any|broadcast|direct] [delay=MS] [repeat=N] [size=BYTES] TEXT". False with a
// message when an option is bad.
bool ParseUdpAnswer(std::string_view value, UdpAnswerRule& out, std::string& error);

struct Scenario {
  // Identity reply.
  std::string serial = "BX240017";
  std::string firmware = "3.2.1.7";
  std::string bootware = "1.4.2";
  std::string hardware = "BX-2 Rev C";
  std::string signature = "5A3C91E077B2";
  std::string copyright = "(C) dulMAR Company ::.";
  std::string passthru = "4.4.12";
  std::string battery = "12.6V";
  std::string wifiFirmware = "1.7.4";
  std::vector<std::string> extraLines;  // further lines of the identity reply, as given
  std::set<std::string> omit;           // keys ("UB", "WW", ...) left out of the identity reply
  std::vector<ModeEntry> modes;
  std::string selectedMode = "01";  // empty: no "Selected Mode: " line

  // System options ("SI:" letters).
  int optB = 1, optW = 2, optN = 1, optD = 0, optL = 0;

  // WiFi record (decoded values, in reply order) and access-point scan payloads.
  std::vector<std::pair<std::string, std::string>> wifi;
  std::vector<std::string> accessPoints;
  int scanDelayMs = 400;
  int wifiOpMs = 300;

  // Self-test.
  int testDurationMs = 2000;
  int testSteps = 20;
  int testErrors = 0;
  int testWarnings = 0;

  // Pass-thru driver file handed out on "D".
  std::string driverForm = "MZ";  // "MZ" or "PK"
  std::string driverVersion;      // empty: the "PT:" version
  int driverSize = 4096;          // size of the library file (the archive holds one of that size)
  Bytes driverFile;               // when set: sent as it is
  // How the answer to "D" is framed: these bytes before "[BEGIN]", "[END]" or not after
  // the file, and the whole answer cut after this many bytes (-1: whole).
  Bytes driverPrefix;
  bool driverEnd = true;
  int64_t driverCut = -1;

  // Network identity (UDP search answer); empty IP or port: the TCP listener's.
  std::string netName = "Brevantix Sim";
  std::string netMac = "02:42:58:00:00:17";
  std::string netIp;
  std::string netPort;
  std::vector<UdpAnswerRule> udpAnswers{UdpAnswerRule{}};  // default: its own line, at once, once

  // Bootloader.
  int pageSize = 256;
  bool headerExtension = false;  // silent after the 80-byte header until 184 more bytes came
  int promptDelayMs = -1;        // ">" this long after entering the bootloader; -1: no prompt
  int flashDelayMs = 0;
  std::vector<NakRule> nakPages;
  // A bootloader that skips pages: once page jumpAfterPage is acknowledged it asks for
  // page jumpToPage instead of the next one (-1: never).
  int jumpAfterPage = -1;
  int jumpToPage = 0;
  double nakRate = 0.0;
  std::string bootId;  // ID text of the header reply; empty: the signature
  int frameTimeoutMs = 500;
  int64_t maxImageBytes = 16 * 1024 * 1024;

  // Faults.
  uint64_t seed = 1;
  int64_t byteRate = 0;  // bytes per second each way; 0: no limit
  std::vector<SilenceRule> silent;
  int noise = 0;  // random bytes (never CR or LF) before every reply frame
  Bytes noiseText;
  int chunkSize = 0;  // 0: replies leave whole
  int chunkDelayMs = 0;
  bool chunkRandom = false;  // chunk sizes drawn from 1..chunkSize
  Bytes trailing;            // bytes after every reply frame
  int overlong = 0;          // a filler line of this many bytes inside every reply frame
  int64_t disconnectAfterRx = -1;
  int64_t disconnectAfterTx = -1;
  int commandGapMs = 20;  // silence that ends a command whose end cannot be told otherwise

  Scenario();  // the default adapter: modes, WiFi record and access points filled in
};

// Reads options into a scenario. The first use of a repeatable key (mode, ap, extra,
// nak_page, silent) in one loader replaces the defaults; later uses add to it.
class ScenarioLoader {
 public:
  explicit ScenarioLoader(Scenario& s) : s_(s) {}
  bool Set(std::string_view key, std::string_view value, std::string& error);
  bool SetAssignment(std::string_view keyEqualsValue, std::string& error);  // "key=value"
  bool ParseText(std::string_view text, std::string& error);                // "line N: ..."
  bool LoadFile(const std::string& path, std::string& error);

 private:
  Scenario& s_;
  std::set<std::string> replaced_;
};

std::string ScenarioKeysHelp();

// C-style escapes \r \n \t \\ \xHH in scenario values that carry raw bytes.
Bytes Unescape(std::string_view s);

}  // namespace bx::sim
