#include "platform/SystemServices.h"

#include "platform/posix/PosixShell.h"
#include "platform/posix/SqliteRegistry.h"

namespace bx {

std::unique_ptr<Registry> OpenSystemRegistry(const UserFolders& folders, std::string& where) {
  where = folders.configDir + "/registry.sqlite3";
  return std::make_unique<SqliteRegistry>(where);
}

std::unique_ptr<Shell> MakeSystemShell() { return std::make_unique<PosixShell>(); }

}  // namespace bx
