#pragma once
// Small platform services of the window: the program's version record, the timer
// resolution, the user's folders, the program's own path and the desktop integration.
#include <memory>
#include <optional>
#include <string>

namespace bx {

// The program's version record (the string table of its version information).
struct VersionRecord {
  std::string productName, internalName, fileVersion, legalCopyright, companyName, comments, support;
};
// The record built into this program; nullopt stands for a file without one.
std::optional<VersionRecord> BuiltInVersionRecord();
// "PRODUCT INTERNAL Version VERSION": the window's caption, and the caption of every
// message box before " - "; "Configurator" for a program file without version record.
std::string ApplicationTitle(const std::optional<VersionRecord>& version);

// Asks the platform for a 1 ms timer resolution for the life of the window. On Linux
// timers are already precise, so the real implementation loads as "present" and does
// nothing.
class TimerResolution {
 public:
  virtual ~TimerResolution() = default;
  virtual bool Load() = 0;  // false: library or entry points missing
  virtual void BeginPeriod(int ms) = 0;
  virtual void EndPeriod(int ms) = 0;
  virtual void Unload() = 0;
};
std::unique_ptr<TimerResolution> MakeTimerResolution();

struct UserFolders {
  std::string configDir;  // $XDG_CONFIG_HOME/brevantix-configurator
  std::string dataDir;    // $XDG_DATA_HOME/brevantix-configurator
  std::string systemDir;  // the per-user library folder (stands in for the system folder)
  std::string xdgDataHome;
  std::string home;  // $HOME, or the password database's home when HOME is unset
  // Why there are no folders ("" when there are): no home could be found.
  std::string error;
};
UserFolders DefaultUserFolders();

// Full path of the running program ("" when it cannot be told).
std::string ProgramPath();

// Where the platform lists its serial ports: the device tree (sysfs on Linux) or the
// serial drivers' device lists in the machine hive of the registry (Windows).
enum class SerialPortListing { DeviceTree, Registry };
SerialPortListing SystemSerialPortListing();

// Per-user .desktop entry and MIME package so that a ".rfw" file opened from a file
// manager starts the program with the file. Never fatal: returns what it did.
class DesktopIntegration {
 public:
  virtual ~DesktopIntegration() = default;
  virtual bool Install(const std::string& programPath) = 0;
};
std::unique_ptr<DesktopIntegration> MakeDesktopIntegration(const std::string& xdgDataHome);

}  // namespace bx
