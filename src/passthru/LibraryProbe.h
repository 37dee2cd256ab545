#pragma once
// The probe of a registered device's pass-thru library: Load/Unload, Open/Close (with a
// name for PassThruOpen, or none), Version, Read Info and Config. Every step writes its
// lines to the probe's display. The library is held from Load to Unload; the device id
// from Open to Close. No control is involved: the page passes the device chosen and the
// name typed, and draws what the probe holds.
#include <memory>
#include <string>

#include "passthru/PassThruLibrary.h"

namespace bx {

class DeviceDirectory;
struct PassThruServices;

// What the probe shows: its log, and whether a library is loaded and a device open.
class ProbeDisplay {
 public:
  virtual ~ProbeDisplay() = default;
  // A line for the log.
  virtual void Line(const std::string& text) = 0;
  // A Load starts the log afresh.
  virtual void ClearLog() = 0;
  // The library was loaded or let go, the device opened or closed.
  virtual void ProbeChanged(bool loaded, bool deviceOpen) = 0;
};

class LibraryProbe {
 public:
  LibraryProbe(const PassThruServices& services, const DeviceDirectory& devices, ProbeDisplay& display);
  ~LibraryProbe();

  // Loads the library `device` is registered with; false (with the reason) when it
  // cannot be had.
  bool Load(const std::string& device);
  void Unload();
  // PassThruOpen with `name` (empty: none).
  bool Open(const std::string& name);
  void Close();
  bool Version();
  // Read Info: a fresh load of `device`'s library, open, version, unload.
  bool ReadInfo(const std::string& device, const std::string& name);
  // Starts `device`'s configuration program in its own folder.
  void Config(const std::string& device);

  // Closes an open device and unloads the library, as Unload does (at close).
  void UnloadLibrary();

  bool Loaded() const { return library_ != nullptr; }
  bool DeviceOpen() const { return deviceOpen_; }
  // Why the last Load failed, or the status of the last failed call ("" when none failed).
  const std::string& LastError() const { return lastError_; }
  // Whether the last Read Info opened the device and read its version texts.
  bool InfoComplete() const { return infoComplete_; }

 private:
  void Line(const std::string& text) { display_.Line(text); }
  void Why(const std::string& call, long status);
  void Changed() { display_.ProbeChanged(Loaded(), deviceOpen_); }

  const PassThruServices& s_;
  const DeviceDirectory& devices_;
  ProbeDisplay& display_;
  std::unique_ptr<PassThruLibrary> library_;
  unsigned long deviceId_ = 0;
  bool deviceOpen_ = false;
  bool infoComplete_ = false;
  std::string lastError_;
};

}  // namespace bx
