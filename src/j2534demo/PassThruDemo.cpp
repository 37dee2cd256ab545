// A pass-thru library that talks to no hardware: the simulated adapter's driver. It
// exports the fourteen SAE J2534-1 04.04 entry points; PassThruOpen, PassThruClose,
// PassThruReadVersion and PassThruGetLastError work, the rest answer "not supported".
//
// Device names ask for failures, so that callers can try their error paths:
//   "fail"       PassThruOpen fails (device not connected);
//   "fail:TEXT"  PassThruOpen fails the same way, and PassThruGetLastError hands out TEXT
//                as it is, all 80 bytes of it and no terminator when it is that long;
//   "noversion"  the device opens, but PassThruReadVersion fails.
#include <algorithm>
#include <cstddef>
#include <cstring>

#ifdef _WIN32
#define BX_EXPORT extern "C" __declspec(dllexport)
#else
#define BX_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

constexpr long kNoError = 0x00;
constexpr long kNotSupported = 0x01;
constexpr long kNullParameter = 0x04;
constexpr long kFailed = 0x07;
constexpr long kDeviceNotConnected = 0x08;
constexpr long kInvalidDeviceId = 0x1A;

constexpr std::size_t kTextSize = 80;
constexpr unsigned long kDeviceId = 1;

bool g_open = false;
bool g_versionFails = false;
// What PassThruGetLastError hands out: all 80 bytes, zero after the text.
char g_lastError[kTextSize] = "";

long Status(long status, const char* text) {
  std::memset(g_lastError, 0, kTextSize);
  std::strncpy(g_lastError, text, kTextSize - 1);
  return status;
}

void Copy(char* to, const char* text) {
  std::strncpy(to, text, kTextSize - 1);
  to[kTextSize - 1] = '\0';
}

}  // namespace

// The version marker programs read from the file: "tCdV", the version, a zero byte.
BX_EXPORT __attribute__((used)) const char bx_driver_version_marker[] = "tCdV" BX_DEMO_DRIVER_VERSION;

BX_EXPORT long PassThruOpen(void* name, unsigned long* deviceId) {
  if (!deviceId) return Status(kNullParameter, "no place for the device id");
  const char* n = static_cast<const char*>(name);
  if (n && std::strcmp(n, "fail") == 0) return Status(kDeviceNotConnected, "device not connected");
  if (n && std::strncmp(n, "fail:", 5) == 0) {
    std::memset(g_lastError, 0, kTextSize);
    std::memcpy(g_lastError, n + 5, std::min(std::strlen(n + 5), kTextSize));
    return kDeviceNotConnected;
  }
  g_open = true;
  g_versionFails = n && std::strcmp(n, "noversion") == 0;
  *deviceId = kDeviceId;
  return Status(kNoError, "");
}

BX_EXPORT long PassThruClose(unsigned long deviceId) {
  if (!g_open || deviceId != kDeviceId) return Status(kInvalidDeviceId, "no such device is open");
  g_open = false;
  return Status(kNoError, "");
}

BX_EXPORT long PassThruReadVersion(unsigned long deviceId, char* firmware, char* library, char* api) {
  if (!g_open || deviceId != kDeviceId) return Status(kInvalidDeviceId, "no such device is open");
  if (!firmware || !library || !api) return Status(kNullParameter, "a version buffer is missing");
  if (g_versionFails) return Status(kFailed, "the device did not tell its version");
  Copy(firmware, "Brevantix simulated adapter");
  Copy(library, BX_DEMO_DRIVER_VERSION);
  Copy(api, "04.04");
  return Status(kNoError, "");
}

BX_EXPORT long PassThruGetLastError(char* description) {
  if (!description) return kNullParameter;
  std::memcpy(description, g_lastError, kTextSize);
  return kNoError;
}

// The message and filter calls need a vehicle bus; this library has none.
BX_EXPORT long PassThruConnect(unsigned long, unsigned long, unsigned long, unsigned long, unsigned long*) {
  return Status(kNotSupported, "not supported");
}
BX_EXPORT long PassThruDisconnect(unsigned long) { return Status(kNotSupported, "not supported"); }
BX_EXPORT long PassThruReadMsgs(unsigned long, void*, unsigned long*, unsigned long) {
  return Status(kNotSupported, "not supported");
}
BX_EXPORT long PassThruWriteMsgs(unsigned long, void*, unsigned long*, unsigned long) {
  return Status(kNotSupported, "not supported");
}
BX_EXPORT long PassThruStartPeriodicMsg(unsigned long, void*, unsigned long*, unsigned long) {
  return Status(kNotSupported, "not supported");
}
BX_EXPORT long PassThruStopPeriodicMsg(unsigned long, unsigned long) { return Status(kNotSupported, "not supported"); }
BX_EXPORT long PassThruStartMsgFilter(unsigned long, unsigned long, void*, void*, void*, unsigned long*) {
  return Status(kNotSupported, "not supported");
}
BX_EXPORT long PassThruStopMsgFilter(unsigned long, unsigned long) { return Status(kNotSupported, "not supported"); }
BX_EXPORT long PassThruSetProgrammingVoltage(unsigned long, unsigned long, unsigned long) {
  return Status(kNotSupported, "not supported");
}
BX_EXPORT long PassThruIoctl(unsigned long, unsigned long, void*, void*) {
  return Status(kNotSupported, "not supported");
}
