#include "passthru/LibraryProbe.h"

#include <filesystem>

#include "core/Bytes.h"
#include "passthru/DeviceDirectory.h"
#include "passthru/PassThruServices.h"
#include "platform/Services.h"

namespace bx {

LibraryProbe::LibraryProbe(const PassThruServices& services, const DeviceDirectory& devices, ProbeDisplay& display)
    : s_(services), devices_(devices), display_(display) {}

LibraryProbe::~LibraryProbe() = default;

bool LibraryProbe::Load(const std::string& device) {
  display_.ClearLog();
  Line("Device:\t" + device);
  std::string line = "DLL:\t";
  lastError_.clear();
  const std::optional<PassThruDevice> d = devices_.Find(device);
  if (d) {
    line += d->functionLibrary;
    if (s_.libraries)
      library_ = PassThruLibrary::Load(*s_.libraries, d->functionLibrary, lastError_);
    else
      lastError_ = "libraries cannot be loaded here";
  } else {
    lastError_ = "the device " + device + " is not registered";
  }
  if (library_) {
    Changed();
    Line(line);
    Line("Vendor:\t" + d->vendor);
    line = "Name:\t" + d->nameValue;
  } else {
    line += " - ERROR";
  }
  Line(line);
  Line("");
  return Loaded();
}

void LibraryProbe::Unload() {
  if (deviceOpen_) Close();
  library_.reset();
  Changed();
  Line("Unload DLL");
  Line("");
}

// The status by its name and the library's own words for a call that failed, as one line
// under the call's "ERROR"; the library's text is escaped before it is shown.
void LibraryProbe::Why(const std::string& call, long status) {
  std::string line = call + ": ";
  const std::string name = j2534::StatusName(status);
  if (status == j2534::kMissingEntryPoint)
    line += "the library has no " + call;
  else
    line += name.empty() ? "status " + std::to_string(status) : name;
  if (const std::string text = library_ ? library_->LastErrorText() : std::string(); !text.empty())
    line += " - " + Printable(text);
  Line(line);
}

bool LibraryProbe::Open(const std::string& name) {
  if (!library_) return false;
  std::string line = "Open Device ";
  unsigned long id = 0;
  long status = 0;
  if (name.empty()) {
    status = library_->Open(nullptr, id);
  } else {
    line += "\"" + name + "\" ";
    status = library_->Open(&name, id);
  }
  line += "- ";
  if (status == j2534::kNoError) {
    deviceId_ = id;
    deviceOpen_ = true;
    Changed();
  } else {
    lastError_ = "PassThruOpen answered " + std::to_string(status);
  }
  Line(line + (deviceOpen_ ? "OK" : "ERROR"));
  if (!deviceOpen_) Why("PassThruOpen", status);
  Line("");
  return deviceOpen_;
}

void LibraryProbe::Close() {
  const long status = library_ ? library_->Close(deviceId_) : j2534::kMissingEntryPoint;
  // The device counts as closed whatever the library answers: its id is not used again.
  deviceId_ = 0;
  deviceOpen_ = false;
  Changed();
  if (status != j2534::kNoError) lastError_ = "PassThruClose answered " + std::to_string(status);
  Line(std::string("Close Device - ") + (status == j2534::kNoError ? "OK" : "ERROR"));
  if (status != j2534::kNoError) Why("PassThruClose", status);
  Line("");
}

bool LibraryProbe::Version() {
  if (!library_ || !deviceOpen_) return false;
  PassThruVersion v;
  const long status = library_->ReadVersion(deviceId_, v);
  if (status != j2534::kNoError) {
    lastError_ = "PassThruReadVersion answered " + std::to_string(status);
    Line("Read Version - ERROR");
    Why("PassThruReadVersion", status);
    Line("");
    return false;
  }
  Line("Read Version");
  Line("Firmware:\t" + v.firmware);
  Line("DLL:\t" + v.library);
  Line("API:\t" + v.api);
  Line("");
  return true;
}

bool LibraryProbe::ReadInfo(const std::string& device, const std::string& name) {
  infoComplete_ = false;
  // A library still loaded from an earlier Load is let go first, so that the probe starts
  // from a fresh load and its log from the top.
  if (Loaded()) Unload();
  if (!Load(device)) return false;
  infoComplete_ = Open(name) && Version();
  Unload();
  return infoComplete_;
}

void LibraryProbe::Config(const std::string& device) {
  const std::string path = devices_.Value(device, "ConfigApplication");
  if (path.empty() || !s_.shell) return;
  // The program starts in its own folder; this process's current folder is not changed.
  s_.shell->Open(path, std::filesystem::path(path).parent_path().string());
}

void LibraryProbe::UnloadLibrary() {
  if (Loaded()) Unload();
}

}  // namespace bx
