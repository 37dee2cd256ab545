#pragma once
// What the pass-thru page needs from outside its own controls.
#include <functional>
#include <string>

#include "platform/System.h"

namespace bx {

class AdapterSession;
class Settings;
class Shell;
class LibraryLoader;
class ArchiveUnpacker;
class Link;
namespace ui {
class TEdit;
}

// The setting that keeps the device chosen last in the device list.
inline constexpr const char* kChosenDeviceName = "Device";

struct PassThruServices {
  // The registry with the settings helpers: "Device" in SettingsKey, and the driver's
  // registration, for which SettingsKey is switched and put back.
  Settings& settings;
  // The version record's names, as the window has them once its version information is
  // read (after the pages are made).
  const std::string& productName;
  const std::string& companyName;
  std::string programPath;           // the window program, registered as the configuration program
  // The adapter: its firmware version and the driver it offers; a driver installation
  // is an operation of its session.
  AdapterSession& session;
  // A message box with the application title: short caption, text, mb:: flags.
  std::function<int(const std::string&, const std::string&, int)> messageBox;
  Shell* shell = nullptr;               // nullptr: Config starts nothing
  LibraryLoader* libraries = nullptr;   // nullptr: no library loads
  ArchiveUnpacker* archives = nullptr;  // nullptr: an archived driver cannot be installed
  // home: the manifest folder ~/.passthru is below it; dataDir: the folder the driver is
  // installed into. Empty: that place is not used.
  UserFolders folders;
  // The Settings page's port list: the chosen port's name, the text shown for it, and its
  // click handler (which the device list's click runs too).
  std::function<std::string()> selectedPort;
  std::function<std::string()> selectedPortText;
  std::function<void()> portListClick;
  // Writes a whole file (replacing it); replaced by tests to make writes fail.
  std::function<bool(const std::string& path, const std::string& data)> writeFile;
  // While another operation (an upload, a page command) has the adapter, the line that
  // refuses `action`; "" when the adapter is free. Unset: the adapter is always free.
  std::function<std::string(const std::string& action)> busyRefusal;
};

}  // namespace bx
