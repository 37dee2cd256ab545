#include "sim/AdapterModel.h"

#include "core/ImageHeader.h"
#include "core/Protocol.h"
#include "sim/DriverFile.h"

namespace bx::sim {
namespace {

const char* kReadOnlyWifi[] = {"WSBID", "WSBFW", "APMAC", "APSID", "STMAC"};

bool InRange(std::string_view v, long long lo, long long hi) {
  long long n = 0;
  return ParseInt(v, n) && n >= lo && n <= hi;
}

// Why a saved WiFi value is refused, or empty when it is accepted.
std::string WifiValueProblem(const std::string& key, const std::string& v) {
  if (v.size() > 32) return "value too long";
  if (key == "ALIAS" && v.size() > 16) return "value too long";
  if (key == "APCH" && !InRange(v, 1, 13)) return "channel must be 1 to 13";
  if (key == "APAUT" && !InRange(v, 0, 4)) return "security must be 0 to 4";
  if ((key == "HIDE" || key == "STEN" || key == "SDHCP") && v != "0" && v != "1") return "must be 0 or 1";
  if ((key == "WSBP" || key == "WSBWP") && !InRange(v, 1, 65535)) return "port must be 1 to 65535";
  return {};
}

}  // namespace

AdapterModel::AdapterModel(Scenario s)
    : selectedMode(s.selectedMode),
      optB(s.optB),
      optW(s.optW),
      optN(s.optN),
      optD(s.optD),
      optL(s.optL),
      wifi(s.wifi),
      sc_(std::move(s)),
      rng_(sc_.seed) {}

uint64_t AdapterModel::NextRandom() {
  uint64_t z = (rng_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

void AdapterModel::Event(std::string text) {
  if (log) log(text);
  if (events.size() >= kMaxEvents) events.erase(events.begin(), events.begin() + kMaxEvents / 2);
  events.push_back(std::move(text));
}

std::vector<std::string> AdapterModel::IdentityLines() const {
  std::vector<std::string> lines;
  auto add = [&](const char* key, const std::string& value) {
    if (!sc_.omit.count(std::string(key, 2))) lines.push_back(std::string(key) + value);
  };
  add("SN:", sc_.serial);
  // Flashed with an image whose header names its version, the adapter runs that one.
  const std::string flashed = stored ? ImageVersionText(stored->header) : std::string();
  add("FW:", flashed.empty() ? sc_.firmware : flashed);
  add("BW:", sc_.bootware);
  add("HW:", sc_.hardware);
  add("ID:", sc_.signature);
  add("CR:", sc_.copyright);
  add("PT:", sc_.passthru);
  add("UB:", sc_.battery);
  add("WW:", sc_.wifiFirmware);
  if (!sc_.omit.count("SI")) lines.push_back(SystemInfoLine());
  for (const auto& l : sc_.extraLines) lines.push_back(l);
  for (const auto& m : sc_.modes) lines.push_back(m.Line());
  for (const auto& m : sc_.modes)
    if (m.id == selectedMode) lines.push_back("Selected Mode: " + m.Line());
  return lines;
}

std::string AdapterModel::SystemInfoLine() const { return Format("SI:B%dW%dN%dD%dL%d", optB, optW, optN, optD, optL); }

std::string AdapterModel::WifiLine() const { return "WS:" + EncodePairs(wifi); }

std::vector<std::string> AdapterModel::ScanLines() const {
  static const char* kIndex = "123456789ABCDEFGHIJKLMNOPQRTUVWXYZ";  // never "s"
  std::vector<std::string> lines;
  lines.push_back(Format("APs:%zu", sc_.accessPoints.size()));
  for (std::size_t i = 0; i < sc_.accessPoints.size(); ++i)
    lines.push_back(std::string("AP") + kIndex[i % 34] + ":" + sc_.accessPoints[i]);
  return lines;
}

Bytes AdapterModel::DriverFile() const {
  if (!sc_.driverFile.empty()) return sc_.driverFile;
  const std::string version = sc_.driverVersion.empty() ? sc_.passthru : sc_.driverVersion;
  const Bytes lib = MakeDriverLibrary(version, sc_.driverSize);
  return sc_.driverForm == "PK" ? MakeStoredZip(kDriverFileName, lib) : lib;
}

Bytes AdapterModel::DriverAnswer() const {
  Bytes answer = sc_.driverPrefix + std::string(proto::kDriverBegin) + DriverFile();
  if (sc_.driverEnd) answer += proto::kDriverEnd;
  if (sc_.driverCut >= 0 && answer.size() > static_cast<uint64_t>(sc_.driverCut))
    answer.resize(static_cast<std::size_t>(sc_.driverCut));
  return answer;
}

std::string AdapterModel::DeviceLine(const std::string& ip, const std::string& port) const {
  return sc_.netName + " " + sc_.netMac + " " + (sc_.netIp.empty() ? ip : sc_.netIp) + " " +
         (sc_.netPort.empty() ? port : sc_.netPort);
}

bool AdapterModel::IsListedMode(const std::string& id) const {
  for (const auto& m : sc_.modes)
    if (m.id == id && m.marker == " - ") return true;
  return false;
}

bool AdapterModel::ModeIdIsFinal(const std::string& id) const {
  for (const auto& m : sc_.modes)
    if (m.id.size() > id.size() && StartsWith(m.id, id)) return false;
  return true;
}

std::vector<std::string> AdapterModel::SwitchMode(const std::string& id) {
  if (!IsListedMode(id)) return {"ERROR: mode " + id + " is not available"};
  selectedMode = id;
  return {};
}

std::vector<std::string> AdapterModel::SetSystemOptions(std::string_view arg) {
  // arg is what follows "S": "D%dW%dB%dN%d".
  long long v[4] = {0, 0, 0, 0};
  const char letters[4] = {'D', 'W', 'B', 'N'};
  std::size_t pos = 0;
  for (int i = 0; i < 4; ++i) {
    if (pos >= arg.size() || arg[pos] != letters[i]) return {"ERROR: malformed system options"};
    std::size_t end = ++pos;
    if (end < arg.size() && arg[end] == '-') ++end;
    while (end < arg.size() && arg[end] >= '0' && arg[end] <= '9') ++end;
    if (!ParseInt(arg.substr(pos, end - pos), v[i])) return {"ERROR: malformed system options"};
    pos = end;
  }
  if (pos != arg.size()) return {"ERROR: malformed system options"};
  if (v[0] < 0 || v[0] > 1 || v[1] < 0 || v[1] > 2 || v[2] < 0 || v[2] > 2 || v[3] < 0 || v[3] > 2)
    return {"ERROR: system option out of range"};
  optD = int(v[0]);
  optW = int(v[1]);
  optB = int(v[2]);
  optN = int(v[3]);
  return {};
}

std::vector<std::string> AdapterModel::SaveWifi(std::string_view encodedPairs) {
  Pairs pairs;
  if (!ParsePairs(encodedPairs, pairs)) return {"ERROR: malformed WiFi settings"};
  std::vector<std::string> errors;
  for (const auto& [k, v] : pairs) {
    bool readOnly = false;
    for (const char* r : kReadOnlyWifi) readOnly |= (k == r);
    auto it = wifi.begin();
    while (it != wifi.end() && it->first != k) ++it;
    if (it == wifi.end() || readOnly) {
      errors.push_back("ERROR: " + PercentEncode(k) + (readOnly ? " is read-only" : " is not a setting"));
      continue;
    }
    const std::string problem = WifiValueProblem(k, v);
    if (!problem.empty()) {
      errors.push_back("ERROR: " + k + " " + problem);
      continue;
    }
    it->second = v;
  }
  return errors;
}

}  // namespace bx::sim
