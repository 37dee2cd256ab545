#include "platform/SystemServices.h"

#include "platform/win32/Win32Registry.h"

namespace bx {

std::unique_ptr<Registry> OpenSystemRegistry(const UserFolders&, std::string& where) {
  where = "the Windows registry";
  return std::make_unique<Win32Registry>();
}

}  // namespace bx
