#pragma once
// The registered pass-thru devices, read afresh on every call: first the device keys under
// the machine hive's "SOFTWARE\PassThruSupport.04.04" in the registry's order, then the
// manifests of the manifest folder (~/.passthru) by file name. A name already listed is
// not listed again, so a device registered both ways shows once, as the registry has it.
#include <optional>
#include <string>
#include <vector>

#include "passthru/PassThruDevice.h"

namespace bx {

class Registry;

inline constexpr const char* kPassThruDevicesKey = "SOFTWARE\\PassThruSupport.04.04";

// The manifest folder below a home folder ("" without one).
inline std::string ManifestFolderIn(const std::string& home) {
  return home.empty() ? std::string() : home + "/.passthru";
}
// The log's line for a manifest that List skipped.
inline std::string SkippedManifestLine(const std::string& skipped) {
  return "Skipped the pass-thru manifest " + skipped;
}

class DeviceDirectory {
 public:
  // An empty manifest folder reads the registry only.
  DeviceDirectory(Registry& registry, std::string manifestFolder);

  // Every device; a manifest that cannot be read adds "<path>: <reason>" to `skipped`.
  std::vector<PassThruDevice> List(std::vector<std::string>* skipped = nullptr) const;
  std::optional<PassThruDevice> Find(const std::string& name) const;
  // ReadPassThruValue: a value of the device ("FunctionLibrary", "ConfigApplication",
  // "Vendor", "Name"), empty when missing.
  std::string Value(const std::string& device, const std::string& valueName) const;

  const std::string& ManifestFolder() const { return folder_; }

 private:
  std::vector<std::string> RegistryNames() const;
  PassThruDevice RegistryDevice(const std::string& name) const;
  std::vector<PassThruDevice> Manifests(std::vector<std::string>* skipped) const;

  Registry& registry_;
  std::string folder_;
};

}  // namespace bx
