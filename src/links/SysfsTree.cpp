#include "links/SysfsTree.h"

#include <fstream>

#include "core/Bytes.h"

namespace fs = std::filesystem;

namespace bx::sysfs {

std::string ReadAttribute(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return {};
  char buffer[256];
  in.read(buffer, sizeof buffer);
  std::string text(buffer, static_cast<std::size_t>(in.gcount()));
  std::size_t end = text.find_first_of("\r\n");
  if (end != std::string::npos) text.resize(end);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
  return text;
}

fs::path DeviceOf(const fs::path& ttyDir) {
  std::error_code ec;
  fs::path link = ttyDir / "device";
  if (!fs::is_symlink(fs::symlink_status(link, ec))) return {};
  fs::path dev = fs::canonical(link, ec);
  return ec ? fs::path() : dev;
}

// Walks from `dir` up to, not including, root/devices.
template <class Visit>
static void WalkUp(const fs::path& dir, const fs::path& root, Visit visit) {
  std::error_code ec;
  fs::path top = fs::weakly_canonical(root / "devices", ec);
  if (ec || dir.empty()) return;
  std::string topText = top.string() + "/";
  for (fs::path d = dir; StartsWith(d.string() + "/", topText) && d != top; d = d.parent_path()) {
    if (visit(d)) return;
    if (d == d.parent_path()) return;
  }
}

std::string DriverName(const fs::path& dir, const fs::path& root) {
  std::string name;
  WalkUp(dir, root, [&](const fs::path& d) {
    std::error_code ec;
    fs::path driver = fs::read_symlink(d / "driver", ec);
    if (ec) return false;
    fs::path subsystem = fs::read_symlink(d / "subsystem", ec);
    if (!ec && subsystem.filename() == "serial-base") return false;
    name = driver.filename().string();
    return true;
  });
  return name;
}

fs::path UsbDeviceOf(const fs::path& dir, const fs::path& root) {
  fs::path found;
  WalkUp(dir, root, [&](const fs::path& d) {
    std::error_code ec;
    if (!fs::is_regular_file(d / "idVendor", ec)) return false;
    found = d;
    return true;
  });
  return found;
}

}  // namespace bx::sysfs
