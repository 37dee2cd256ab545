#pragma once
// The probe of the selected device's pass-thru library: Load/Unload, Open/Close (with the
// name field's text, or none), Version, Read Info and Config. Every step writes its lines
// to memJ2534. The library is held from Load to Unload; the device id from Open to Close.
#include <memory>
#include <string>

#include "form/PageControls.h"
#include "passthru/PassThruLibrary.h"

namespace bx {

class DeviceDirectory;
struct PassThruServices;

class LibraryProbe {
 public:
  LibraryProbe(PassThruControls& controls, const PassThruServices& services, DeviceDirectory& devices);
  ~LibraryProbe();

  void btJ2534_LoadClick();  // Load, or Unload while loaded
  void btJ2534_OpenClick();  // Open, or Close while open
  void btJ2534_VersionClick() { Version(); }
  void btJ2534_InfoClick();
  void btJ2534_ConfigClick();

  // Closes an open device and unloads the library, as Unload does (at close).
  void UnloadLibrary();

  bool Loaded() const { return library_ != nullptr; }
  bool DeviceOpen() const { return deviceOpen_; }
  // Why the last Load failed, or the status of the last failed call ("" when none failed).
  const std::string& LastError() const { return lastError_; }
  // Whether the last Read Info opened the device and read its version texts.
  bool InfoComplete() const { return infoComplete_; }

 private:
  bool Load();
  void Unload();
  bool Open();
  void Close();
  bool Version();
  void Line(const std::string& text);
  void Why(const std::string& call, long status);

  PassThruControls& c_;
  const PassThruServices& s_;
  DeviceDirectory& devices_;
  std::unique_ptr<PassThruLibrary> library_;
  unsigned long deviceId_ = 0;
  bool deviceOpen_ = false;
  bool infoComplete_ = false;
  std::string lastError_;
};

}  // namespace bx
