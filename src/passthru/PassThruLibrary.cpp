#include "passthru/PassThruLibrary.h"

#include <iterator>

namespace bx {

namespace j2534 {

const char* StatusName(long status) {
  static constexpr const char* kNames[] = {"STATUS_NOERROR",           "ERR_NOT_SUPPORTED",
                                           "ERR_INVALID_CHANNEL_ID",   "ERR_INVALID_PROTOCOL_ID",
                                           "ERR_NULL_PARAMETER",       "ERR_INVALID_IOCTL_VALUE",
                                           "ERR_INVALID_FLAGS",        "ERR_FAILED",
                                           "ERR_DEVICE_NOT_CONNECTED", "ERR_TIMEOUT",
                                           "ERR_INVALID_MSG",          "ERR_INVALID_TIME_INTERVAL",
                                           "ERR_EXCEEDED_LIMIT",       "ERR_INVALID_MSG_ID",
                                           "ERR_DEVICE_IN_USE",        "ERR_INVALID_IOCTL_ID",
                                           "ERR_BUFFER_EMPTY",         "ERR_BUFFER_FULL",
                                           "ERR_BUFFER_OVERFLOW",      "ERR_PIN_INVALID",
                                           "ERR_CHANNEL_IN_USE",       "ERR_MSG_PROTOCOL_ID",
                                           "ERR_INVALID_FILTER_ID",    "ERR_NO_FLOW_CONTROL",
                                           "ERR_NOT_UNIQUE",           "ERR_INVALID_BAUDRATE",
                                           "ERR_INVALID_DEVICE_ID"};
  return status >= 0 && status < static_cast<long>(std::size(kNames)) ? kNames[status] : "";
}

}  // namespace j2534

PassThruLibrary::PassThruLibrary(std::unique_ptr<LoadedLibrary> library) : library_(std::move(library)) {
  for (std::size_t i = 0; i < entries_.size(); ++i) entries_[i] = library_->Symbol(j2534::kEntryPoints[i]);
}

std::unique_ptr<PassThruLibrary> PassThruLibrary::Load(LibraryLoader& loader, const std::string& path,
                                                       std::string& error) {
  std::unique_ptr<LoadedLibrary> lib = loader.Load(path, error);
  if (!lib) return nullptr;
  return std::unique_ptr<PassThruLibrary>(new PassThruLibrary(std::move(lib)));
}

long PassThruLibrary::Open(const std::string* name, unsigned long& deviceId) {
  const auto fn = reinterpret_cast<j2534::OpenFn>(entries_[j2534::kOpen]);
  if (!fn) return j2534::kMissingEntryPoint;
  if (!name) return fn(nullptr, &deviceId);
  std::string copy = *name;  // the library gets a zero-terminated text it may not keep
  return fn(copy.data(), &deviceId);
}

long PassThruLibrary::Close(unsigned long deviceId) {
  const auto fn = reinterpret_cast<j2534::CloseFn>(entries_[j2534::kClose]);
  return fn ? fn(deviceId) : j2534::kMissingEntryPoint;
}

long PassThruLibrary::ReadVersion(unsigned long deviceId, PassThruVersion& out) {
  const auto fn = reinterpret_cast<j2534::ReadVersionFn>(entries_[j2534::kReadVersion]);
  if (!fn) return j2534::kMissingEntryPoint;
  // One spare byte after each buffer the library is given, always zero: a library that
  // fills all 80 bytes without a terminator is still read as an 80-byte text.
  std::array<char, j2534::kVersionText + 1> fw{}, lib{}, api{};
  const long status = fn(deviceId, fw.data(), lib.data(), api.data());
  fw.back() = lib.back() = api.back() = '\0';
  if (status == j2534::kNoError) out = {fw.data(), lib.data(), api.data()};
  return status;
}

std::string PassThruLibrary::LastErrorText() {
  const auto fn = reinterpret_cast<j2534::GetLastErrorFn>(entries_[j2534::kGetLastError]);
  if (!fn) return {};
  std::array<char, j2534::kVersionText + 1> text{};  // the spare byte stays zero
  if (fn(text.data()) != j2534::kNoError) return {};
  text.back() = '\0';
  return text.data();
}

}  // namespace bx
