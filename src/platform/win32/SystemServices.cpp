#include "platform/SystemServices.h"

#include "platform/win32/Win32Registry.h"

namespace bx {

std::unique_ptr<Registry> OpenSystemRegistry(const UserFolders&, std::string& where, std::string& notSaved) {
  where = "the Windows registry";
  notSaved.clear();
  return std::make_unique<Win32Registry>();
}

}  // namespace bx
