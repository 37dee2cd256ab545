#include "passthru/PassThruDevice.h"

#include <filesystem>
#include <nlohmann/json.hpp>

namespace bx {

namespace {
// A text member: false when present but not a text.
bool TextMember(const nlohmann::json& j, const char* key, std::string& out) {
  const auto it = j.find(key);
  if (it == j.end()) return true;
  if (!it->is_string()) return false;
  out = it->get<std::string>();
  return true;
}
}  // namespace

std::optional<PassThruDevice> ParseManifest(std::string_view text, std::string& why) {
  if (text.size() > kManifestLimit) {
    why = "larger than " + std::to_string(kManifestLimit) + " bytes";
    return std::nullopt;
  }
  const nlohmann::json j = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (j.is_discarded()) {
    why = "not JSON";
    return std::nullopt;
  }
  if (!j.is_object()) {
    why = "not a JSON object";
    return std::nullopt;
  }
  PassThruDevice d;
  if (!TextMember(j, "NAME", d.name) || d.name.empty()) {
    why = "no NAME text";
    return std::nullopt;
  }
  if (!TextMember(j, "FUNCTION_LIB", d.functionLibrary) || d.functionLibrary.empty()) {
    why = "no FUNCTION_LIB text";
    return std::nullopt;
  }
  d.nameValue = d.name;
  // "/usr/lib/..." as on Linux, or absolute as the platform reads paths ("C:\\..." on Windows).
  if (d.functionLibrary[0] != '/' && !std::filesystem::path(d.functionLibrary).is_absolute()) {
    why = "FUNCTION_LIB is not an absolute path";
    return std::nullopt;
  }
  if (!TextMember(j, "VENDOR", d.vendor) || !TextMember(j, "CONFIG_APP", d.configApplication)) {
    why = "VENDOR or CONFIG_APP is not a text";
    return std::nullopt;
  }
  for (const auto& [key, value] : j.items())
    if (value.is_boolean()) d.protocols.emplace_back(key, value.get<bool>());
  return d;
}

std::string FormatManifest(const PassThruDevice& device) {
  // ordered_json keeps the members in the order written: the names first, then the
  // protocols in table order, as a person reading the file expects.
  nlohmann::ordered_json j;
  j["NAME"] = device.name;
  j["VENDOR"] = device.vendor;
  j["FUNCTION_LIB"] = device.functionLibrary;
  if (!device.configApplication.empty()) j["CONFIG_APP"] = device.configApplication;
  for (const auto& [protocol, supported] : device.protocols) j[protocol] = supported;
  // Texts that are not UTF-8 (paths are bytes) are written with U+FFFD rather than
  // making the dump throw.
  return j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace bx
