#include "passthru/DeviceDirectory.h"

#include <algorithm>
#include <filesystem>

#include "core/Bytes.h"
#include "platform/Files.h"
#include "platform/Registry.h"

namespace bx {

namespace fs = std::filesystem;

namespace {

// A manifest file's text; false with the reason when it is not a readable regular file
// of a manifest's size. The open file is checked, not the name: a device or a FIFO named
// *.json, or swapped in while the list is read, must not hang it.
bool ReadManifestFile(const fs::path& path, std::string& text, std::string& why) {
  const FileRead r = ReadRegularFile(path.string(), kManifestLimit, text);
  if (r.Ok()) return true;
  why = r.status == FileReadStatus::NotRegular || r.status == FileReadStatus::TooLarge ? r.why : "cannot be read";
  return false;
}

bool SameName(const std::string& a, const std::string& b) { return LowerAscii(a) == LowerAscii(b); }

}  // namespace

DeviceDirectory::DeviceDirectory(Registry& registry, std::string manifestFolder)
    : registry_(registry), folder_(std::move(manifestFolder)) {}

std::vector<std::string> DeviceDirectory::RegistryNames() const {
  return registry_.SubKeys(Hive::LocalMachine, kPassThruDevicesKey);
}

PassThruDevice DeviceDirectory::RegistryDevice(const std::string& name) const {
  const std::string key = std::string(kPassThruDevicesKey) + "\\" + name;
  // A value of another type reads as missing: the list must not fail on another
  // program's registration.
  auto text = [&](const char* value) {
    const auto v = registry_.ReadValue(Hive::LocalMachine, key, value);
    return v && v->type == RegValue::Type::String ? v->text : std::string();
  };
  PassThruDevice d;
  d.name = name;
  d.nameValue = text("Name");
  d.vendor = text("Vendor");
  d.functionLibrary = text("FunctionLibrary");
  d.configApplication = text("ConfigApplication");
  d.source = kRegistrySource;
  return d;
}

std::vector<PassThruDevice> DeviceDirectory::Manifests(std::vector<std::string>* skipped) const {
  std::vector<PassThruDevice> out;
  if (folder_.empty()) return out;
  // Another user's folder could list any library as this user's driver.
  if (const std::string why = FolderTrustProblem(folder_); !why.empty()) {
    if (skipped) skipped->push_back(folder_ + ": not read: " + why);
    return out;
  }
  std::error_code ec;
  std::vector<fs::path> files;
  for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec))
    if (it->path().extension() == ".json") files.push_back(it->path());
  std::sort(files.begin(), files.end(),
            [](const fs::path& a, const fs::path& b) { return a.filename().string() < b.filename().string(); });
  for (const fs::path& file : files) {
    std::string text, why;
    std::optional<PassThruDevice> d;
    if (ReadManifestFile(file, text, why)) d = ParseManifest(text, why);
    if (!d) {
      if (skipped) skipped->push_back(file.string() + ": " + why);
      continue;
    }
    d->source = file.string();
    out.push_back(std::move(*d));
  }
  return out;
}

std::vector<PassThruDevice> DeviceDirectory::List(std::vector<std::string>* skipped) const {
  std::vector<PassThruDevice> out;
  for (const std::string& name : RegistryNames()) out.push_back(RegistryDevice(name));
  for (PassThruDevice& d : Manifests(skipped)) {
    const bool listed =
        std::any_of(out.begin(), out.end(), [&d](const PassThruDevice& o) { return SameName(o.name, d.name); });
    if (!listed) out.push_back(std::move(d));
  }
  return out;
}

std::optional<PassThruDevice> DeviceDirectory::Find(const std::string& name) const {
  if (name.empty()) return std::nullopt;
  if (registry_.KeyExists(Hive::LocalMachine, std::string(kPassThruDevicesKey) + "\\" + name))
    return RegistryDevice(name);
  for (PassThruDevice& d : Manifests(nullptr))
    if (SameName(d.name, name)) return std::move(d);
  return std::nullopt;
}

std::string DeviceDirectory::Value(const std::string& device, const std::string& valueName) const {
  const std::optional<PassThruDevice> d = Find(device);
  if (!d) return {};
  const std::string v = LowerAscii(valueName);
  if (v == "functionlibrary") return d->functionLibrary;
  if (v == "configapplication") return d->configApplication;
  if (v == "vendor") return d->vendor;
  if (v == "name") return d->nameValue;
  return {};
}

}  // namespace bx
