#pragma once
// The simulated adapter's own state, which outlives any one connection: running mode,
// system options, WiFi record, bootloader mode, the last stored firmware image, the fault
// bookkeeping that must hold across reconnections, and an event log for tests. It also
// builds the text of every reply. Not thread-safe: Adapter guards it.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/Bytes.h"
#include "sim/Percent.h"
#include "sim/Scenario.h"

namespace bx::sim {

struct StoredImage {
  Bytes header;     // the 80 header bytes of the upload
  Bytes extension;  // the 184-byte extension block, when the bootloader asked for it
  Bytes image;      // the pages, in order
  int pageSize = 0;
  int pages = 0;
  std::string sha256;  // of `image`
};

class AdapterModel {
 public:
  explicit AdapterModel(Scenario s);

  const Scenario& scenario() const { return sc_; }

  // Replies.
  std::vector<std::string> IdentityLines() const;
  std::string SystemInfoLine() const;  // "SI:B1W2N1D0L0"
  std::string WifiLine() const;        // "WS:" + the record as percent-encoded pairs
  std::vector<std::string> ScanLines() const;
  Bytes DriverFile() const;
  // The whole answer to "D": "[BEGIN]", the file, "[END]", shaped by the scenario.
  Bytes DriverAnswer() const;
  std::string DeviceLine(const std::string& ip, const std::string& port) const;

  // Changes asked for by commands; each returns the error lines to put into the reply.
  std::vector<std::string> SwitchMode(const std::string& id);
  std::vector<std::string> SetSystemOptions(std::string_view arg);  // "D%dW%dB%dN%d"
  std::vector<std::string> SaveWifi(std::string_view encodedPairs);
  void FactoryResetWifi() { wifi = sc_.wifi; }
  bool IsListedMode(const std::string& id) const;
  // True when no listed mode's ID is longer and begins with `id`: "M" + id is complete.
  bool ModeIdIsFinal(const std::string& id) const;

  // Seeded random numbers (splitmix64), one stream for the whole run.
  uint64_t NextRandom();
  double NextUnit() { return double(NextRandom() >> 11) * (1.0 / 9007199254740992.0); }

  void Event(std::string text);

  // State.
  std::string selectedMode;
  int optB, optW, optN, optD, optL;
  Pairs wifi;
  bool bootloader = false;
  std::optional<StoredImage> stored;
  int uploads = 0;

  // Fault bookkeeping.
  int64_t rxTotal = 0, txTotal = 0;
  bool rxDisconnectDone = false, txDisconnectDone = false;
  std::map<std::string, int> commandCounts;
  std::map<int, int> nakCounts;  // page -> NAKs given by rule so far

  std::vector<std::string> events;  // the latest kMaxEvents
  std::function<void(const std::string&)> log;

  static constexpr std::size_t kMaxEvents = 10000;

 private:
  Scenario sc_;
  uint64_t rng_;
};

}  // namespace bx::sim
