#include "wifi/ScanLine.h"

#include "core/Bytes.h"

namespace bx {

std::string SecurityText(long long code) {
  switch (code) {
    case 0:
      return "Open";
    case 2:
      return "WPA-PSK";
    case 3:
      return "WPA2-PSK";
    case 4:
      return "WPA-WPA2-PSK";
    default:
      return {};
  }
}

AccessPointRow ParseScanPayload(std::string_view payload) {
  std::size_t pos = 0;
  bool past = false;
  auto next = [&]() -> std::string {
    if (past) return {};
    const std::size_t comma = payload.find(',', pos);
    if (comma == std::string_view::npos) {
      past = true;
      return std::string(payload.substr(pos));
    }
    std::string field(payload.substr(pos, comma - pos));
    pos = comma + 1;
    return field;
  };
  AccessPointRow row;
  row.channel = next();
  row.rssi = next();
  long long code = 0;
  const std::string codeText = next();
  if (ParseInt(codeText, code)) row.security = SecurityText(code);
  row.mac = next();
  const std::string quoted = next();
  if (quoted.size() >= 2) row.ssid = quoted.substr(1, quoted.size() - 2);
  return row;
}

}  // namespace bx
