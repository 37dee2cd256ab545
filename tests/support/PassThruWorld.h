#pragma once
// The window with the pass-thru page's surroundings: a home folder (with its ~/.passthru
// manifest folder) and a data folder (where the driver is installed) in a fresh temporary
// folder, the real library loader and archive unpacker, and one port whose link the test
// scripts (AdapterWorld).
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "core/Protocol.h"
#include "exchange/Identity.h"
#include "passthru/DriverTransfer.h"
#include "passthru/PassThruPage.h"
#include "platform/Archive.h"
#include "platform/Library.h"
#include "support/AdapterWorld.h"
#include "support/TempFile.h"

namespace bx::test {

// The in-tree pass-thru library and its version marker.
inline const std::string kDemoLibrary = BX_PASSTHRU_DEMO_LIBRARY;
inline constexpr const char* kDemoLibraryVersion = "4.4.12";

inline Bytes ReadFile(const std::string& path) {
  Bytes data;
  TfrmMain::ReadWholeFile(path, data);
  return data;
}

// A Windows-style library of `size` bytes carrying the version marker.
inline Bytes MarkedLibrary(const std::string& version, std::size_t size = 2048, const std::string& head = "MZ") {
  Bytes lib = head + std::string(size, '\x90');
  lib.replace(0x100, 5 + version.size(), std::string(proto::kDriverVersionMarker) + version + '\0');
  return lib;
}

// The adapter's answer to "D" around a file.
inline Bytes DriverAnswer(const Bytes& file) { return Bytes(proto::kDriverBegin) + file + Bytes(proto::kDriverEnd); }

struct PassThruWorld : AdapterWorld {
  TempFolder temp;
  std::string home = temp.Path() + "/home";
  std::string data = temp.Path() + "/data/brevantix-configurator";
  std::unique_ptr<LibraryLoader> loader = MakeLibraryLoader();
  std::unique_ptr<ArchiveUnpacker> unpacker = MakeArchiveUnpacker();
  const std::string driverCommand = std::string(proto::kCommandPrefix) + kDriverCommandSuffix;

  PassThruWorld() { std::filesystem::create_directories(home + "/.passthru"); }

  // The window on a port; `driverVersion` is what the adapter offers ("" for none).
  // `libraries` replaces the real loader.
  TfrmMain& Open(const std::string& driverVersion = kDemoLibraryVersion, LibraryLoader* libraries = nullptr) {
    AppContext c = Context();
    c.folders.home = home;
    c.folders.dataDir = data;
    c.libraries = libraries ? libraries : loader.get();
    c.archives = unpacker.get();
    TfrmMain& f = AttachPort(Start(std::move(c)), "/dev/ttyACM0", "/sys/x");
    Page().Installer().Connect(&scripted);
    OfferDriver(driverVersion);
    return f;
  }
  // What an identity reply with "PT:" sets; without one (""), what a search that found
  // no driver leaves.
  void OfferDriver(const std::string& version) {
    Identity& identity = *form->Modules->identity;
    if (version.empty())
      identity.ClearIdentity();
    else
      identity.TakeRecordLines({"PT:" + version});
  }

  PassThruPage& Page() { return *form->Modules->passThru; }
  PassThruControls& P() { return *form; }
  std::vector<std::string> Log() { return P().memJ2534.Lines(); }
  std::string DriverPath() const { return (std::filesystem::path(data) / kDriverFileName).string(); }

  void RegisterDevice(const std::string& name, const std::string& library, const std::string& config = "",
                      const std::string& vendor = "Acme", const std::string& nameValue = "") {
    const std::string key = std::string(kPassThruDevicesKey) + "\\" + name;
    registry.CreateKey(Hive::LocalMachine, key);
    if (!library.empty()) registry.WriteString(Hive::LocalMachine, key, "FunctionLibrary", library);
    if (!config.empty()) registry.WriteString(Hive::LocalMachine, key, "ConfigApplication", config);
    registry.WriteString(Hive::LocalMachine, key, "Vendor", vendor);
    registry.WriteString(Hive::LocalMachine, key, "Name", nameValue.empty() ? name : nameValue);
  }
  std::string WriteManifest(const std::string& file, const std::string& text) {
    const std::string path = home + "/.passthru/" + file;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  std::string Manifest(const std::string& name, const std::string& library, const std::string& vendor = "Linux Co") {
    // Escaped as JSON: a Windows path holds backslashes.
    return nlohmann::ordered_json{
        {"NAME", name}, {"VENDOR", vendor}, {"FUNCTION_LIB", library}, {"CAN", true}, {"ISO15765", false}}
        .dump();
  }
  // Selects a listed device as the user does.
  bool Choose(const std::string& name) {
    const auto& items = P().cbJ2534_Devices.Items();
    for (std::size_t i = 0; i < items.size(); ++i)
      if (items[i] == name) {
        P().cbJ2534_Devices.UserSelect(static_cast<int>(i));
        return true;
      }
    return false;
  }
  // The files of the data folder with their contents.
  std::map<std::string, Bytes> DataFolder() const {
    std::map<std::string, Bytes> out;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(data, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
      out[std::filesystem::relative(it->path(), data).generic_string()] =
          it->is_regular_file() ? ReadFile(it->path().string()) : Bytes("<folder>");
    return out;
  }
};

}  // namespace bx::test
