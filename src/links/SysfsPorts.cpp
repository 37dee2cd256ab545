#include "links/SysfsPorts.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <tuple>

#include "core/Bytes.h"
#include "links/SysfsTree.h"

namespace fs = std::filesystem;

namespace bx {

const char* SerialFamilyName(SerialFamily f) {
  switch (f) {
    case SerialFamily::UsbSerial:
      return "USB serial";
    case SerialFamily::CdcAcm:
      return "CDC-ACM";
    case SerialFamily::Rfcomm:
      return "Bluetooth RFCOMM";
    case SerialFamily::Uart:
      return "UART";
  }
  return "?";
}

// The kernel driver a family's ttys belong to, for a port whose tree names none.
static const char* FamilyDriver(SerialFamily f) {
  switch (f) {
    case SerialFamily::UsbSerial:
      return "usbserial";
    case SerialFamily::CdcAcm:
      return "cdc_acm";
    case SerialFamily::Rfcomm:
      return "rfcomm";
    case SerialFamily::Uart:
      return "serial";
  }
  return "";
}

SysfsPorts::SysfsPorts(SerialFamily family, std::string sysRoot, std::string devRoot)
    : family_(family), sysRoot_(std::move(sysRoot)), devRoot_(std::move(devRoot)) {}

std::string SysfsPorts::WatchKey() const { return sysRoot_ + "/class/tty: " + SerialFamilyName(family_); }

bool SysfsPorts::InFamily(const std::string& name) const {
  bool usb = StartsWith(name, "ttyUSB"), acm = StartsWith(name, "ttyACM"), rf = StartsWith(name, "rfcomm");
  switch (family_) {
    case SerialFamily::UsbSerial:
      return usb;
    case SerialFamily::CdcAcm:
      return acm;
    case SerialFamily::Rfcomm:
      return rf;
    case SerialFamily::Uart:
      return !usb && !acm && !rf;
  }
  return false;
}

// ttyUSB2 before ttyUSB10.
static bool NaturalLess(const std::string& a, const std::string& b) {
  auto split = [](const std::string& s) {
    std::size_t i = s.size();
    while (i > 0 && std::isdigit(static_cast<unsigned char>(s[i - 1]))) --i;
    std::string digits = s.substr(i);
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    return std::make_tuple(s.substr(0, i), digits.size(), digits);
  };
  auto ka = split(a), kb = split(b);
  return ka != kb ? ka < kb : a < b;
}

bool SysfsPorts::ListTtys(std::vector<Candidate>& out) const {
  std::error_code ec;
  fs::path classDir = fs::path(sysRoot_) / "class" / "tty";
  fs::directory_iterator it(classDir, ec);
  if (ec) return false;
  for (const fs::directory_entry& e : it) {
    std::string name = e.path().filename().string();
    if (!InFamily(name)) continue;
    std::error_code lec;
    std::string target = fs::read_symlink(e.path(), lec).string();
    if (family_ == SerialFamily::Uart) {
      // Consoles, pseudo-terminals and the like live under devices/virtual and have
      // no device behind them.
      if (Contains(target, "devices/virtual/")) continue;
      if (!fs::is_symlink(fs::symlink_status(e.path() / "device", lec))) continue;
    }
    if (!fs::exists(fs::path(devRoot_) / name, lec)) continue;
    out.push_back({name, e.path().string(), target});
  }
  std::sort(out.begin(), out.end(), [](const Candidate& a, const Candidate& b) { return NaturalLess(a.name, b.name); });
  return true;
}

std::optional<uint64_t> SysfsPorts::Stamp() {
  std::vector<Candidate> ttys;
  if (!ListTtys(ttys)) return std::nullopt;
  uint64_t h = 1469598103934665603ULL;  // FNV-1a
  auto mix = [&h](const std::string& s) {
    for (unsigned char c : s) h = (h ^ c) * 1099511628211ULL;
    h = (h ^ 0xFF) * 1099511628211ULL;
  };
  for (const Candidate& c : ttys) {
    mix(c.name);
    mix(c.target);
  }
  return h;
}

int SysfsPorts::Fill(PortLists& lists) {
  std::vector<Candidate> ttys;
  ListTtys(ttys);
  int seen = 0;
  for (const Candidate& c : ttys) {
    std::error_code ec;
    fs::path tty = fs::canonical(c.entry, ec);
    if (ec) continue;
    // A UART slot the kernel reserved but found no chip for reports type 0.
    if (family_ == SerialFamily::Uart && sysfs::ReadAttribute(tty / "type") == "0") continue;
    fs::path device = sysfs::DeviceOf(tty);
    std::string description;
    if (family_ == SerialFamily::UsbSerial || family_ == SerialFamily::CdcAcm) {
      fs::path usb = sysfs::UsbDeviceOf(device, sysRoot_);
      if (!usb.empty()) description = sysfs::ReadAttribute(usb / "product");
    }
    if (description.empty()) description = sysfs::DriverName(device, sysRoot_);
    if (description.empty()) description = FamilyDriver(family_);
    AddPort(lists, (fs::path(devRoot_) / c.name).string(), description, tty.string());
    ++seen;
  }
  return seen;
}

}  // namespace bx
