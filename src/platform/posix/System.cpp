#include "platform/System.h"

#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "VersionRecord.h"
#include "platform/Files.h"
#include "platform/posix/SpawnDefaults.h"

extern char** environ;

namespace bx {

std::optional<VersionRecord> BuiltInVersionRecord() {
  VersionRecord v;
  v.productName = BX_PRODUCT_NAME;
  v.internalName = BX_INTERNAL_NAME;
  v.fileVersion = BX_FILE_VERSION;
  v.legalCopyright = BX_COPYRIGHT;
  v.companyName = BX_COMPANY_NAME;
  v.comments = BX_WEB_ADDRESS;
  v.support = BX_SUPPORT_ADDRESS;
  return v;
}

namespace {
class PosixTimerResolution : public TimerResolution {
 public:
  bool Load() override { return true; }
  void BeginPeriod(int) override {}
  void EndPeriod(int) override {}
  void Unload() override {}
};

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}
}  // namespace

SerialPortListing SystemSerialPortListing() { return SerialPortListing::DeviceTree; }

std::unique_ptr<TimerResolution> MakeTimerResolution() { return std::make_unique<PosixTimerResolution>(); }

namespace {
// $HOME when it names a folder; else the password database's home of the user. Never a
// shared folder in its place: /tmp as home would put the settings where other users
// plant links and files.
std::string HomeFolder() {
  if (std::string home = Env("HOME"); !home.empty() && home[0] == '/') return home;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buf(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd pw{};
  passwd* found = nullptr;
  while (getpwuid_r(geteuid(), &pw, buf.data(), buf.size(), &found) == ERANGE && buf.size() < (1u << 20))
    buf.resize(buf.size() * 2);
  if (!found || !found->pw_dir || found->pw_dir[0] != '/') return {};
  return found->pw_dir;
}
}  // namespace

UserFolders DefaultUserFolders() {
  UserFolders f;
  f.home = HomeFolder();
  if (f.home.empty()) {
    f.error =
        "There is no home folder for the settings: HOME is not set and the password database names none for "
        "user " +
        std::to_string(geteuid()) + ". Set HOME to your own folder.";
    return f;
  }
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty() || config[0] != '/') config = f.home + "/.config";
  std::string data = Env("XDG_DATA_HOME");
  if (data.empty() || data[0] != '/') data = f.home + "/.local/share";
  f.configDir = config + "/brevantix-configurator";
  f.dataDir = data + "/brevantix-configurator";
  f.systemDir = f.dataDir + "/system";
  f.xdgDataHome = data;
  return f;
}

std::string ProgramPath() {
  std::error_code ec;
  auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : p.string();
}

namespace {

// The entries the program writes are a few hundred bytes; whatever stands there that is
// larger, or no regular file (a FIFO, a link to a device), is replaced without being read.
constexpr std::size_t kDesktopEntryLimit = 64 * 1024;

// Writes the file unless it holds `content` already; the folder is made private to the
// user when missing and must be the user's own. Whether it was written.
bool WriteIfDifferent(const std::filesystem::path& path, const std::string& content) {
  std::string now;
  if (ReadRegularFile(path.string(), kDesktopEntryLimit, now).Ok() && now == content) return false;
  std::string why;
  if (!MakePrivateFolder(path.parent_path().string(), why)) return false;
  return ReplaceFileContents(path.string(), content, why);
}

// Runs a desktop database tool if it is installed; its absence is not an error.
void RunTool(const char* tool, const std::string& arg) {
  pid_t pid = 0;
  std::string a = arg;
  char* argv[] = {const_cast<char*>(tool), a.data(), nullptr};
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  const posix::SpawnDefaults defaults;
  if (posix_spawnp(&pid, tool, &fa, defaults.get(), argv, environ) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
  }
  posix_spawn_file_actions_destroy(&fa);
}

std::string DesktopQuote(const std::string& path) {
  std::string out = "\"";
  for (char c : path) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

bool InstalledWithDesktopEntry(const std::string& programPath) {
  const std::filesystem::path bin = std::filesystem::path(programPath).parent_path();
  if (bin.filename() != "bin") return false;
  std::error_code ec;
  return std::filesystem::is_regular_file(
      bin.parent_path() / "share" / "applications" / "brevantix-configurator.desktop", ec);
}

class PosixDesktopIntegration : public DesktopIntegration {
 public:
  explicit PosixDesktopIntegration(std::string dataHome) : dataHome_(std::move(dataHome)) {}
  bool Install(const std::string& programPath) override {
    if (dataHome_.empty() || programPath.empty()) return false;
    // An installed program (PREFIX/bin) comes with its desktop entry and MIME package in
    // PREFIX/share, which the system's databases already know; copies in the user's
    // folder would only shadow them.
    if (InstalledWithDesktopEntry(programPath)) return true;
    const std::filesystem::path root(dataHome_);
    const std::string desktop =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Brevantix Configurator\n"
        "Comment=Configure Brevantix diagnostic adapters and update their firmware\n"
        "Exec=" +
        DesktopQuote(programPath) +
        " %f\n"
        "Terminal=false\n"
        "Categories=Utility;Electronics;\n"
        "MimeType=application/x-brevantix-firmware;\n";
    const std::string mime =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"application/x-brevantix-firmware\">\n"
        "    <comment>Brevantix firmware image</comment>\n"
        "    <glob pattern=\"*.rfw\"/>\n"
        "    <glob pattern=\"*.RFW\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n";
    const bool d = WriteIfDifferent(root / "applications" / "brevantix-configurator.desktop", desktop);
    const bool m = WriteIfDifferent(root / "mime" / "packages" / "brevantix-firmware.xml", mime);
    if (m) RunTool("update-mime-database", (root / "mime").string());
    if (d) RunTool("update-desktop-database", (root / "applications").string());
    return true;
  }

 private:
  std::string dataHome_;
};
}  // namespace

std::unique_ptr<DesktopIntegration> MakeDesktopIntegration(const std::string& xdgDataHome) {
  return std::make_unique<PosixDesktopIntegration>(xdgDataHome);
}

}  // namespace bx
