#pragma once
// A registered pass-thru device, from either of the places drivers announce themselves:
// a key under the machine hive's "SOFTWARE\PassThruSupport.04.04", or (the convention of
// Linux J2534 programs) one JSON manifest per device in ~/.passthru/.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bx {

inline constexpr const char* kRegistrySource = "registry";

struct PassThruDevice {
  std::string name;       // as listed: the device key, or the manifest's NAME
  std::string nameValue;  // the key's "Name" value, or the manifest's NAME
  std::string vendor;
  std::string functionLibrary;    // the library's full path
  std::string configApplication;  // may be empty
  std::string source;             // kRegistrySource or the manifest's path
  std::vector<std::pair<std::string, bool>> protocols;
};

// The largest manifest read: a device's manifest is a few hundred bytes.
inline constexpr std::size_t kManifestLimit = 64 * 1024;

// Reads one manifest: a JSON object with the texts "NAME" and "FUNCTION_LIB" (an absolute
// path), optional "VENDOR" and "CONFIG_APP" texts, and booleans (one per protocol). Other
// members are ignored. nullopt with the reason in `why` when the text is not one.
std::optional<PassThruDevice> ParseManifest(std::string_view text, std::string& why);

// The manifest of a device, as ParseManifest reads it back.
std::string FormatManifest(const PassThruDevice& device);

}  // namespace bx
