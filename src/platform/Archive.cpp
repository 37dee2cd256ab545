#include "platform/Archive.h"

namespace bx {

bool SafeEntryName(const std::string& name, std::string& why) {
  if (name.empty()) {
    why = "an entry has no name";
    return false;
  }
  if (name.find('\0') != std::string::npos) {
    why = "an entry name holds a NUL byte";
    return false;
  }
  if (name[0] == '/') {
    why = "the entry " + name + " is an absolute path";
    return false;
  }
  if (name.find('\\') != std::string::npos) {
    why = "the entry " + name + " holds a backslash";
    return false;
  }
  // "C:x" is relative to drive C's current folder on Windows, "C:/x" absolute: both leave
  // the destination there.
  const auto letter = static_cast<unsigned char>(name[0]);
  if (name.size() >= 2 && name[1] == ':' && ((letter | 0x20) >= 'a' && (letter | 0x20) <= 'z')) {
    why = "the entry " + name + " names a drive";
    return false;
  }
  std::size_t start = 0;
  while (start <= name.size()) {
    const std::size_t end = std::min(name.find('/', start), name.size());
    if (name.compare(start, end - start, "..") == 0) {
      why = "the entry " + name + " climbs out of its folder";
      return false;
    }
    start = end + 1;
  }
  return true;
}

}  // namespace bx
