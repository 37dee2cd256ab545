#include "passthru/DriverInstaller.h"

#include <filesystem>
#include <random>

#include "core/Protocol.h"
#include "form/Settings.h"
#include "links/Link.h"
#include "links/Link_channel.h"
#include "passthru/DriverTransfer.h"
#include "passthru/PassThruDevice.h"
#include "passthru/PassThruServices.h"
#include "platform/Archive.h"
#include "platform/Services.h"

namespace bx {

namespace fs = std::filesystem;

namespace {

// An archive from the adapter holds the library and perhaps a few files beside it.
constexpr ArchiveLimits kDriverArchiveLimits{64, 16ull * 1024 * 1024};

// A name beside `path` that no other installation uses at the same time.
std::string TempNameBeside(const std::string& path, const std::string& what) {
  std::random_device rd;
  const fs::path p(path);
  return (p.parent_path() / ("." + p.filename().string() + "." + what + "-" + std::to_string(rd()))).string();
}

// Removes a file or folder when the installation step that made it ends, however it ends.
struct RemoveOnExit {
  std::string path;
  ~RemoveOnExit() {
    std::error_code ec;
    if (!path.empty()) fs::remove_all(path, ec);
  }
};

bool SameNameIgnoringCase(const std::string& a, const std::string& b) { return LowerAscii(a) == LowerAscii(b); }

}  // namespace

DriverInstaller::DriverInstaller(PassThruControls& controls, const PassThruServices& services)
    : c_(controls), s_(services) {
  c_.pbJ2534_Install.SetMax(100);
}

std::string DriverInstaller::SystemFolder() const {
  const std::string& folder = s_.folders.dataDir;
  if (folder.empty()) return {};
  std::error_code ec;
  fs::create_directories(folder, ec);
  return fs::is_directory(folder, ec) ? folder : std::string();
}

std::string DriverInstaller::DriverPath() const {
  const std::string folder = SystemFolder();
  // Joined with the platform's own separator: the path is registered for other programs.
  return folder.empty() ? std::string() : (fs::path(folder) / kDriverFileName).string();
}

std::string DriverInstaller::DeviceKey() const { return s_.companyName + " - " + s_.productName; }

void DriverInstaller::CheckVersion() {
  c_.shJ2534_Install.SetVisible(false);
  c_.shJ2534_Version_DLL.SetVisible(false);
  const std::string path = DriverPath();
  if (path.empty()) {
    c_.edJ2534_Version_DLL.SetText("Access Error");
    return;
  }
  Bytes library;
  if (!TfrmMain::ReadWholeFile(path, library)) {
    c_.edJ2534_Version_DLL.SetText("Not installed");
    return;
  }
  const std::string installed = DriverVersionMarker(library);
  c_.edJ2534_Version_DLL.SetText(installed);
  // The install button is enabled exactly when the connected adapter offers a driver.
  if (!c_.btJ2534_Install.Enabled()) return;
  c_.shJ2534_Install.SetBrushColor(ui::clr::Lime);
  const bool same = installed == s_.driverVersion;
  c_.shJ2534_Version_DLL.SetBrushColor(same ? ui::clr::Lime : ui::clr::Red);
  if (!same) c_.lbJ2534_Message.SetCaption("- Update is required ->");
  c_.lbJ2534_Message.SetVisible(!same);
  c_.shJ2534_Install.SetVisible(true);
  c_.shJ2534_Version_DLL.SetVisible(true);
}

// Opens the chosen port, asks for the driver and reads the answer; false (with the
// message shown) when the port cannot be opened.
bool DriverInstaller::Fetch(Bytes& answer, bool& answered) {
  const std::string port = s_.selectedPort ? s_.selectedPort() : std::string();
  Link* link = findLink && !port.empty() ? findLink(port) : nullptr;
  if (link) link->SetPortName(port);
  if (!link || !link->Open()) {
    const std::string shown = s_.selectedPortText ? s_.selectedPortText() : port;
    if (s_.messageBox)
      s_.messageBox("Error...", s_.productName + " Adapter is not found on Communication Port " + shown, mb::IconError);
    return false;
  }
  c_.pbJ2534_Install.MarqueeInterval = 15;
  c_.pbJ2534_Install.SetStyle(ui::TProgressBar::Style::Marquee);
  link->Write(Bytes(proto::kCommandPrefix) + kDriverCommandSuffix);
  // The one read that blocks the window: it ends at "[END]", after 500 ms of silence, or
  // at the read limit.
  answer = Bytes(proto::kDriverEnd);
  answered = link->ReadUntil(answer, kDriverSilenceMs);
  link->Close();
  c_.pbJ2534_Install.SetPosition(0);
  c_.pbJ2534_Install.SetStyle(ui::TProgressBar::Style::Normal);
  return true;
}

void DriverInstaller::btJ2534_InstallClick() {
  result_ = InstallResult::None;
  error_.clear();
  if (s_.driverVersion.empty()) return;
  // The request would go into the running operation's session and close its port.
  if (const std::string refused = s_.busyRefusal ? s_.busyRefusal("Install Driver") : std::string(); !refused.empty()) {
    c_.memJ2534.AddLine(refused);
    return;
  }
  Bytes answer;
  bool answered = false;
  if (!Fetch(answer, answered)) {
    result_ = InstallResult::PortNotOpened;
    return;
  }
  const DriverTransfer t = CutDriverTransfer(answer, answered, kReadUntilLimit);
  if (t.fault != TransferFault::None) {
    result_ = InstallResult::Incomplete;
    c_.memJ2534.AddLine(TransferFaultLine(t.fault, answered ? answer.size() : 0));
    return;
  }
  const std::string driverPath = DriverPath();
  if (driverPath.empty()) {
    Fail("there is no folder to install it into");
  } else if (Place(t.file, driverPath)) {
    Register(driverPath);
  }
  CheckVersion();
}

bool DriverInstaller::Place(const Bytes& file, const std::string& driverPath) {
  switch (KindOfDriver(file)) {
    case DriverKind::WindowsLibrary:
    case DriverKind::ElfLibrary:
      return PlaceLibrary(file, driverPath);
    case DriverKind::ZipArchive:
      return PlaceArchive(file, driverPath);
    case DriverKind::Unknown:
      break;
  }
  Fail("the adapter sent a file that is neither a library nor an archive");
  return false;
}

bool DriverInstaller::PlaceLibrary(const Bytes& file, const std::string& driverPath) {
  RemoveOnExit temp{TempNameBeside(driverPath, "new")};
  if (!s_.writeFile(temp.path, file)) {
    Fail("cannot write " + temp.path);
    return false;
  }
  std::error_code ec;
  fs::rename(temp.path, driverPath, ec);
  if (ec) {
    Fail("cannot replace " + driverPath + ": " + ec.message());
    return false;
  }
  return true;
}

bool DriverInstaller::PlaceArchive(const Bytes& file, const std::string& driverPath) {
  // The archive keeps the library's name with "zip" for its last three letters.
  RemoveOnExit archive{driverPath.substr(0, driverPath.size() - 3) + "zip"};
  RemoveOnExit staging{TempNameBeside(driverPath, "unpack")};
  std::error_code ec;
  if (!s_.writeFile(archive.path, file) || !fs::create_directory(staging.path, ec)) {
    Fail("cannot write " + (ec ? staging.path : archive.path));
    return false;
  }
  if (!s_.archives) {
    Fail("archives cannot be unpacked here");
    return false;
  }
  const UnpackResult r = s_.archives->Unpack(archive.path, staging.path, kDriverArchiveLimits);
  if (!r.ok) {
    Fail("the archive was refused (" + r.error + ")");
    return false;
  }
  std::string library;
  for (const std::string& f : r.files)
    if (SameNameIgnoringCase(f, kDriverFileName)) library = f;
  if (library.empty()) {
    Fail(std::string("the archive holds no ") + kDriverFileName);
    return false;
  }
  // The files beside the library first; the library itself last, so that it appears only
  // once everything it came with is there.
  const fs::path folder = fs::path(driverPath).parent_path();
  for (const std::string& f : r.files) {
    if (f == library) continue;
    fs::create_directories((folder / f).parent_path(), ec);
    fs::rename(fs::path(staging.path) / f, folder / f, ec);
    if (ec) {
      Fail("cannot place " + f + ": " + ec.message());
      return false;
    }
  }
  fs::rename(fs::path(staging.path) / library, driverPath, ec);
  if (ec) {
    Fail("cannot replace " + driverPath + ": " + ec.message());
    return false;
  }
  return true;
}

void DriverInstaller::Step(int by) { c_.pbJ2534_Install.SetPosition(c_.pbJ2534_Install.Position() + by); }

void DriverInstaller::Register(const std::string& driverPath) {
  Settings& settings = s_.settings;
  Step(30);
  {
    // The base key is the program's own again however the writes end: a write that fails
    // raises, and the settings written after it must not land under the pass-thru key.
    struct KeepKey {
      Settings& s;
      std::string kept;
      ~KeepKey() { s.SettingsKey = kept; }
    } keep{settings, settings.SettingsKey};
    settings.SettingsKey = kPassThruKey;
    const std::string key = DeviceKey();
    const std::pair<const char*, std::string> strings[] = {{"Vendor", s_.companyName},
                                                           {"Name", s_.productName},
                                                           {"ConfigApplication", s_.programPath},
                                                           {"FunctionLibrary", driverPath}};
    for (const auto& [name, data] : strings) {
      settings.WriteSettingString(key, name, data);
      Step(10);
    }
    settings.SettingsKey = std::string(kPassThruKey) + "\\" + key;
    const int step = (c_.pbJ2534_Install.Max() - c_.pbJ2534_Install.Position()) / int(kProtocolValues.size());
    for (const auto& [name, value] : kProtocolValues) {
      settings.WriteSettingInt(name, value);
      Step(step);
    }
  }
  WriteManifest(driverPath);
  c_.pbJ2534_Install.SetPosition(c_.pbJ2534_Install.Max());
  if (result_ != InstallResult::Failed) result_ = InstallResult::Installed;
  CheckVersion();
  if (refresh) refresh();
}

// Linux J2534 programs find drivers through one manifest per device; the registration
// writes this adapter's, whole or not at all (written beside it, then renamed).
void DriverInstaller::WriteManifest(const std::string& driverPath) {
  if (s_.folders.home.empty()) return;
  const fs::path folder = fs::path(s_.folders.home) / ".passthru";
  PassThruDevice d;
  d.name = DeviceKey();
  d.vendor = s_.companyName;
  d.functionLibrary = driverPath;
  d.configApplication = s_.programPath;
  for (const auto& [name, value] : kProtocolValues) d.protocols.emplace_back(name, value != 0);
  const std::string path = (folder / kOwnManifest).string();
  std::error_code ec;
  fs::create_directories(folder, ec);
  RemoveOnExit temp{TempNameBeside(path, "new")};
  if (!s_.writeFile(temp.path, FormatManifest(d))) {
    Fail("cannot write " + path, false);
    return;
  }
  fs::rename(temp.path, path, ec);
  if (ec) Fail("cannot write " + path + ": " + ec.message(), false);
}

void DriverInstaller::Fail(const std::string& why, bool oldUntouched) {
  result_ = InstallResult::Failed;
  error_ = why;
  std::error_code ec;
  const std::string path = DriverPath();
  const bool kept = oldUntouched && !path.empty() && fs::exists(path, ec);
  if (s_.messageBox)
    s_.messageBox("Error...",
                  "Installing of Passthru driver Error: " + why + "." + (kept ? " The old driver was kept." : ""),
                  mb::IconError);
}

}  // namespace bx
