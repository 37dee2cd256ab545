#pragma once
// A loaded SAE J2534-1 04.04 pass-thru library: its fourteen entry points resolved by
// name at load, and the three calls the probe makes. The library is unloaded with the
// object; nothing it returned may be used after that.
#include <array>
#include <memory>
#include <string>

#include "platform/Library.h"

namespace bx {

namespace j2534 {

// The 04.04 calls made here, as the published interface declares them; on Linux the plain
// C calling convention, with the ids as unsigned long.
using OpenFn = long (*)(void* name, unsigned long* deviceId);
using CloseFn = long (*)(unsigned long deviceId);
using ReadVersionFn = long (*)(unsigned long deviceId, char* firmware, char* library, char* api);
using GetLastErrorFn = long (*)(char* description);

// Resolved in this order.
inline constexpr std::array<const char*, 14> kEntryPoints = {"PassThruOpen",
                                                             "PassThruClose",
                                                             "PassThruConnect",
                                                             "PassThruDisconnect",
                                                             "PassThruReadMsgs",
                                                             "PassThruWriteMsgs",
                                                             "PassThruStartPeriodicMsg",
                                                             "PassThruStopPeriodicMsg",
                                                             "PassThruStartMsgFilter",
                                                             "PassThruStopMsgFilter",
                                                             "PassThruSetProgrammingVoltage",
                                                             "PassThruReadVersion",
                                                             "PassThruGetLastError",
                                                             "PassThruIoctl"};
inline constexpr std::size_t kOpen = 0, kClose = 1, kReadVersion = 11, kGetLastError = 12;

inline constexpr long kNoError = 0;
// What a call of a missing entry point answers (no J2534 status has this value).
inline constexpr long kMissingEntryPoint = -1;
// The size of each version text buffer.
inline constexpr std::size_t kVersionText = 80;

// The 04.04 name of a status ("ERR_DEVICE_NOT_CONNECTED"); "" for a value outside the table.
const char* StatusName(long status);

}  // namespace j2534

struct PassThruVersion {
  std::string firmware, library, api;
};

class PassThruLibrary {
 public:
  // nullptr with `error` set when the file cannot be loaded.
  static std::unique_ptr<PassThruLibrary> Load(LibraryLoader& loader, const std::string& path, std::string& error);

  bool Has(std::size_t entry) const { return entries_.at(entry) != nullptr; }
  // Each answers the library's status, or kMissingEntryPoint.
  long Open(const std::string* name, unsigned long& deviceId);
  long Close(unsigned long deviceId);
  long ReadVersion(unsigned long deviceId, PassThruVersion& out);
  // The library's description of its last failure: read into a zeroed 80-byte buffer and
  // cut at its first zero or at 80 bytes; "" when the library has none or no entry point.
  std::string LastErrorText();

 private:
  explicit PassThruLibrary(std::unique_ptr<LoadedLibrary> library);
  std::unique_ptr<LoadedLibrary> library_;
  std::array<void*, j2534::kEntryPoints.size()> entries_{};
};

}  // namespace bx
