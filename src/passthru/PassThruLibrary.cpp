#include "passthru/PassThruLibrary.h"

namespace bx {

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

}  // namespace bx
