#include "passthru/DriverInstaller.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <random>
#include <vector>

#include "core/Protocol.h"
#include "links/Link.h"
#include "links/Link_channel.h"
#include "passthru/DriverTransfer.h"
#include "passthru/PassThruDevice.h"
#include "passthru/PassThruServices.h"
#include "platform/Archive.h"
#include "platform/Files.h"
#include "platform/Services.h"
#include "session/AdapterSession.h"
#include "settings/Settings.h"

namespace bx {

namespace fs = std::filesystem;

namespace {

// The largest driver read whole: the installed one (Check Version) and an unpacked one.
constexpr std::size_t kDriverFileLimit = 16u * 1024u * 1024u;

// An archive from the adapter holds the library and perhaps a few files beside it.
constexpr ArchiveLimits kDriverArchiveLimits{64, 16ull * 1024 * 1024};

std::string RandomWord() {
  std::random_device rd;
  const uint64_t n = (uint64_t{rd()} << 32) ^ rd();
  return Format("%016llx", static_cast<unsigned long long>(n));
}

// A folder beside `path` made for this run alone: its name is new and it is created
// exclusively, so no other run or program shares it, and only this user may enter it.
// Removed with everything in it when the object goes.
class PrivateFolder {
 public:
  PrivateFolder() = default;
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;
  ~PrivateFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  bool Make(const std::string& beside, const std::string& what) {
    const fs::path p(beside);
    for (int attempt = 0; attempt < 8; ++attempt) {
      const fs::path candidate = p.parent_path() / ("." + p.filename().string() + "." + what + "-" + RandomWord());
      std::error_code ec;
      if (fs::create_directory(candidate, ec)) {  // false, without an error, when it exists
        path_ = candidate.string();
        fs::permissions(candidate, fs::perms::owner_all, fs::perm_options::replace, ec);
        return true;
      }
      if (ec) return false;
    }
    return false;
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// Files moved into place, each with what stood there before, so that a later failure can
// put every old file back. What stood there is kept as a hard link (or a copy) in the
// private folder: the new file then replaces it in one rename, and so does the old one
// when it goes back.
class Placement {
 public:
  explicit Placement(fs::path keep) : keep_(std::move(keep)) {}

  bool Move(const fs::path& from, const fs::path& to, std::string& why) {
    std::error_code ec;
    Step step{to, keep_ / std::to_string(steps_.size()), false, {}};
    for (fs::path f = to.parent_path(); !f.empty() && !fs::exists(f, ec); f = f.parent_path())
      step.madeFolders.push_back(f);
    fs::create_directories(to.parent_path(), ec);
    if (ec) {
      why = "cannot make the folder " + to.parent_path().string() + ": " + ec.message();
      Forget(step);
      return false;
    }
    const fs::file_status old = fs::symlink_status(to, ec);
    if (fs::exists(old)) {
      if (!fs::is_regular_file(old)) {
        why = "cannot replace " + to.string() + ": it is not a plain file";
        Forget(step);
        return false;
      }
      fs::create_directories(keep_, ec);
      fs::create_hard_link(to, step.kept, ec);
      if (ec) {
        ec.clear();
        fs::copy_file(to, step.kept, ec);
      }
      if (ec) {
        why = "cannot keep the old " + to.string() + ": " + ec.message();
        Forget(step);
        return false;
      }
      step.hadOld = true;
    }
    fs::rename(from, to, ec);
    if (ec) {
      why = "cannot place " + to.string() + ": " + ec.message();
      Forget(step);
      return false;
    }
    steps_.push_back(std::move(step));
    return true;
  }

  // Puts back what stood where each file went, the newest first.
  void Undo() {
    for (auto it = steps_.rbegin(); it != steps_.rend(); ++it) {
      std::error_code ec;
      if (it->hadOld)
        fs::rename(it->kept, it->to, ec);
      else
        fs::remove(it->to, ec);
      Forget(*it);
    }
    steps_.clear();
  }

 private:
  struct Step {
    fs::path to, kept;
    bool hadOld;
    std::vector<fs::path> madeFolders;  // innermost first
  };
  static void Forget(const Step& step) {
    std::error_code ec;
    for (const fs::path& f : step.madeFolders) fs::remove(f, ec);  // only while empty
  }
  fs::path keep_;
  std::vector<Step> steps_;
};

// A move into place that failed inside the store's transaction: thrown to roll the
// registration back.
struct PlacementFailed {
  std::string why;
};

bool SameNameIgnoringCase(const std::string& a, const std::string& b) { return LowerAscii(a) == LowerAscii(b); }

}  // namespace

DriverInstaller::DriverInstaller(const PassThruServices& services, InstallDisplay& display, RegisteredDevices* devices)
    : s_(services), display_(display), devices_(devices) {}

std::string DriverInstaller::SystemFolder() const {
  const std::string& folder = s_.folders.dataDir;
  if (folder.empty()) return {};
  // Made private to the user; a folder another user owns or may write to is not used.
  std::string why;
  return MakePrivateFolder(folder, why) ? folder : std::string();
}

std::string DriverInstaller::DriverPath() const {
  const std::string folder = SystemFolder();
  // Joined with the platform's own separator: the path is registered for other programs.
  return folder.empty() ? std::string() : (fs::path(folder) / kDriverFileName).string();
}

std::string DriverInstaller::DeviceKey() const { return s_.companyName + " - " + s_.productName; }

const std::string& DriverInstaller::Offered() const { return s_.session.Identity().passThruVersion; }

void DriverInstaller::CheckVersion(bool remark) {
  if (remark) foreign_.clear();
  installed_.clear();
  present_ = false;
  const std::string path = DriverPath();
  Bytes library;
  if (path.empty()) {
    installed_ = "Access Error";
  } else if (const FileRead r = ReadRegularFile(path, kDriverFileLimit, library); !r.Ok()) {
    installed_ = "Not installed";
    // Something that is no driver stands there: said, and not read.
    if (r.status == FileReadStatus::NotRegular || r.status == FileReadStatus::TooLarge)
      display_.Line("Not read: " + path + ": " + r.why);
  } else {
    installed_ = DriverVersionMarker(library);
    present_ = true;
    if (remark) {
      if (const std::string what = ForeignLibrary(library); !what.empty()) {
        foreign_ = ForeignLibraryLine(what, path);
        display_.Line(foreign_);
      }
    }
  }
  display_.Checked(*this);
}

// Opens the chosen port, asks for the driver and reads the answer; false (with the
// message shown, and kept in `notFound`) when the port cannot be opened.
bool DriverInstaller::Fetch(Bytes& answer, bool& answered, std::string& notFound) {
  const std::string port = s_.selectedPort ? s_.selectedPort() : std::string();
  Link* link = links_ && !port.empty() ? links_->FindLink(port) : nullptr;
  if (link) link->SetPortName(port);
  if (!link || !link->Open()) {
    const std::string shown = s_.selectedPortText ? s_.selectedPortText() : port;
    notFound = s_.productName + " Adapter is not found on Communication Port " + shown;
    if (s_.messageBox) s_.messageBox("Error...", notFound, mb::IconError);
    return false;
  }
  display_.Progress(0, true);
  link->Write(Bytes(proto::kCommandPrefix) + kDriverCommandSuffix);
  // The one read that blocks the window: it ends at "[END]", after 500 ms of silence, or
  // at the read limit.
  answer = Bytes(proto::kDriverEnd);
  answered = link->ReadUntil(answer, kDriverSilenceMs);
  link->Close();
  progress_ = 0;
  display_.Progress(0, false);
  return true;
}

InstallResult DriverInstaller::Install() {
  result_ = InstallResult::None;
  error_.clear();
  foreign_.clear();
  if (Offered().empty()) return result_;
  // The request would go into the running operation's session and close its port.
  if (const std::string refused = s_.busyRefusal ? s_.busyRefusal("Install Driver") : std::string(); !refused.empty()) {
    display_.Line(refused);
    return result_;
  }
  s_.session.Begin(SessionPhase::InstallingDriver, SessionPhase::InstallingDriver);
  std::string cause;
  try {
    cause = Run();
  } catch (...) {
    s_.session.End(false, error_);
    throw;
  }
  s_.session.End(result_ == InstallResult::Installed, cause);
  return result_;
}

std::string DriverInstaller::Run() {
  Bytes answer;
  bool answered = false;
  if (std::string notFound; !Fetch(answer, answered, notFound)) {
    result_ = InstallResult::PortNotOpened;
    return notFound;
  }
  const DriverTransfer t = CutDriverTransfer(answer, answered, kReadUntilLimit);
  if (t.fault != TransferFault::None) {
    result_ = InstallResult::Incomplete;
    const std::string line = TransferFaultLine(t.fault, answered ? answer.size() : 0);
    display_.Line(line);
    return line;
  }
  const std::string driverPath = DriverPath();
  if (driverPath.empty())
    Fail("there is no folder to install it into");
  else
    Place(t.file, driverPath);
  CheckVersion();
  return result_ == InstallResult::Installed ? std::string() : error_;
}

struct DriverInstaller::Staged {
  PrivateFolder folder;
  fs::path files;                   // folder + "/new": the new files as they will be placed
  std::string library;              // the library's name there
  std::vector<std::string> beside;  // the other files there, in the archive's order
  Bytes libraryBytes;
};

// Staged, registered, then moved: the registration and the moves are one transaction of
// the store, so a move that fails rolls the registration back, and a registration that
// fails (a locked store, a refused write) moves nothing. The failed registration's error
// goes on to the window's error display.
void DriverInstaller::Place(const Bytes& file, const std::string& driverPath) {
  Staged staged;
  if (!Stage(file, driverPath, staged)) return;
  const fs::path folder = fs::path(driverPath).parent_path();
  Placement placement(fs::path(staged.folder.Path()) / "old");
  bool placed = false;
  try {
    s_.settings.registry().Transact([&] {
      ShowProgress(0);  // a busy store runs the body again
      Register(driverPath);
      if (placed) return;
      std::string why;
      // The files beside the library first; the library itself last, so that it appears
      // only once everything it came with is there.
      for (const std::string& f : staged.beside)
        if (!placement.Move(staged.files / f, folder / f, why)) throw PlacementFailed{why};
      if (!placement.Move(staged.files / staged.library, driverPath, why)) throw PlacementFailed{why};
      placed = true;
    });
  } catch (const PlacementFailed& f) {
    placement.Undo();
    Fail(f.why);
    return;
  } catch (...) {
    placement.Undo();
    result_ = InstallResult::Failed;
    error_ = "the registration failed";
    throw;
  }
  ShowProgress(kInstallProgressMax);
  result_ = InstallResult::Installed;
  // Kept and registered as the store's programs expect; Linux programs, which find
  // drivers through manifests, are not pointed at a library they cannot load.
  foreign_ = ForeignLibrary(staged.libraryBytes);
  if (foreign_.empty()) {
    WriteManifest(driverPath);
  } else {
    RemoveManifest();
    foreign_ = ForeignLibraryLine(foreign_, driverPath);
    display_.Line(foreign_);
  }
  CheckVersion();
  if (devices_) devices_->Refresh();
}

bool DriverInstaller::Stage(const Bytes& file, const std::string& driverPath, Staged& staged) {
  const DriverKind kind = KindOfDriver(file);
  if (kind == DriverKind::Unknown) {
    Fail("the adapter sent a file that is neither a library nor an archive");
    return false;
  }
  std::error_code ec;
  if (!staged.folder.Make(driverPath, "install") ||
      !fs::create_directory(staged.files = fs::path(staged.folder.Path()) / "new", ec)) {
    Fail("cannot make a folder of its own beside " + driverPath);
    return false;
  }
  if (kind == DriverKind::ZipArchive) return StageArchive(file, staged);
  staged.library = kDriverFileName;
  const std::string path = (staged.files / staged.library).string();
  if (!WriteWhole(path, file)) {
    Fail("cannot write " + path);
    return false;
  }
  staged.libraryBytes = file;
  return true;
}

bool DriverInstaller::StageArchive(const Bytes& file, Staged& staged) {
  // The archive keeps the library's name with "zip" for its last three letters.
  const std::string name = std::string(kDriverFileName);
  const std::string archive = (fs::path(staged.folder.Path()) / (name.substr(0, name.size() - 3) + "zip")).string();
  if (!WriteWhole(archive, file)) {
    Fail("cannot write " + archive);
    return false;
  }
  if (!s_.archives) {
    Fail("archives cannot be unpacked here");
    return false;
  }
  const UnpackResult r = s_.archives->Unpack(archive, staged.files.string(), kDriverArchiveLimits);
  if (!r.ok) {
    Fail("the archive was refused (" + r.error + ")");
    return false;
  }
  for (const std::string& f : r.files) {
    if (SameNameIgnoringCase(f, kDriverFileName))
      staged.library = f;
    else
      staged.beside.push_back(f);
  }
  if (staged.library.empty()) {
    Fail(std::string("the archive holds no ") + kDriverFileName);
    return false;
  }
  if (!ReadRegularFile((staged.files / staged.library).string(), kDriverFileLimit, staged.libraryBytes).Ok()) {
    Fail("cannot read the unpacked " + staged.library);
    return false;
  }
  return true;
}

bool DriverInstaller::WriteWhole(const std::string& path, const std::string& data) const {
  if (s_.writeFile) return s_.writeFile(path, data);
  std::string why;
  return ReplaceFileContents(path, data, why);
}

void DriverInstaller::ShowProgress(int position) {
  progress_ = std::clamp(position, 0, kInstallProgressMax);
  display_.Progress(progress_, false);
}

void DriverInstaller::Register(const std::string& driverPath) {
  Settings& settings = s_.settings;
  ShowProgress(progress_ + 30);
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
      ShowProgress(progress_ + 10);
    }
    settings.SettingsKey = std::string(kPassThruKey) + "\\" + key;
    const int step = (kInstallProgressMax - progress_) / int(kProtocolValues.size());
    for (const auto& [name, value] : kProtocolValues) {
      settings.WriteSettingInt(name, value);
      ShowProgress(progress_ + step);
    }
  }
}

// Linux J2534 programs find drivers through one manifest per device; the registration
// writes this adapter's, whole or not at all (written in a folder of this run's own beside
// it, then renamed over the old one).
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
  if (std::string why; !MakePrivateFolder(folder.string(), why)) {
    Fail("cannot write " + path + ": " + why, false);
    return;
  }
  PrivateFolder temp;
  std::string written;
  if (!temp.Make(path, "new") ||
      !WriteWhole(written = (fs::path(temp.Path()) / kOwnManifest).string(), FormatManifest(d))) {
    Fail("cannot write " + path, false);
    return;
  }
  fs::rename(written, path, ec);
  if (ec) Fail("cannot write " + path + ": " + ec.message(), false);
}

// The manifest of an earlier installation names the library just replaced by one that
// Linux programs cannot load.
void DriverInstaller::RemoveManifest() {
  if (s_.folders.home.empty()) return;
  std::error_code ec;
  fs::remove(fs::path(s_.folders.home) / ".passthru" / kOwnManifest, ec);
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
