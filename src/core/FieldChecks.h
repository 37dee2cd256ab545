#pragma once
// The checks of the address fields a user types (the Network page's device, the WiFi
// page's settings, the CLI's net and wifi set): one rule for the window and the CLI.
#include <string>
#include <string_view>

namespace bx {

// Four decimal numbers 0-255 joined by dots, without signs or leading zeros.
bool IsDottedIPv4(std::string_view text);
// A decimal number 1-65535 without a sign or leading zeros.
bool IsTcpPort(std::string_view text);
// A dotted IPv4 mask: ones from the top, then zeros (0.0.0.0 to 255.255.255.255).
bool IsNetMask(std::string_view text);

enum class FieldKind {
  Free,           // anything
  IPv4,           // a dotted IPv4 address
  OptionalIPv4,   // a dotted IPv4 address, or empty (not set)
  Port,           // a TCP port
  Mask,           // a network mask
};

// "" when the text is a value of the kind, else why it is not: "is no IPv4 address of
// four numbers 0-255", to follow the field's name.
std::string FieldProblem(FieldKind kind, std::string_view text);

}  // namespace bx
