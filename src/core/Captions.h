#pragma once
// Texts the window shows on its controls and the command line prints as they stand: the
// status strip's labels and the System page's choices for each hardware option, in the
// order of the values the adapter stores.
#include <string>
#include <vector>

namespace bx {

inline constexpr const char* kHardwareLabel = "Hardware:";
inline constexpr const char* kBootwareLabel = "Bootware:";
inline constexpr const char* kFirmwareLabel = "Firmware:";
inline constexpr const char* kBatteryLabel = "Battery:";
inline constexpr const char* kPortLabel = "Port:";
inline constexpr const char* kSerialLabel = "Serial Number:";

inline const std::vector<std::string> kBluetoothChoices = {"Disabled", "HC-06", "HC-02"};
inline const std::vector<std::string> kWirelessChoices = {"Disabled", "Bluetooth", "Wi-Fi"};
inline const std::vector<std::string> kWiFiChoices = {"Disabled", "Brevantix Serial Bridge Firmware",
                                                      "General Serial Bridge Firmware for ESP8266EX (115200,8N1)"};

}  // namespace bx
