#pragma once
// One access point as the adapter reports it in a scan reply line.
#include <string>
#include <string_view>

namespace bx {

struct AccessPointRow {
  std::string channel, rssi, security, mac, ssid;
};

// The security text of an "APAUT" code; a code the page does not offer gives "".
std::string SecurityText(long long code);

// The payload is "channel,RSSI,security code,MAC,\"SSID\"". Fields are taken up to the next
// comma; missing fields are empty; the SSID loses its first and last character (the
// quotes), so an SSID holding a comma is cut there. A code that is no decimal integer
// gives an empty security text.
AccessPointRow ParseScanPayload(std::string_view payload);

}  // namespace bx
