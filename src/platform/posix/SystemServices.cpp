#include "platform/SystemServices.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Files.h"
#include "platform/posix/PosixShell.h"
#include "platform/posix/SqliteRegistry.h"

namespace bx {

std::unique_ptr<Registry> OpenSystemRegistry(const UserFolders& folders, std::string& where, std::string& notSaved) {
  where = folders.configDir + "/registry.sqlite3";
  notSaved.clear();
  // A folder that another user owns or may write to is refused before anything is
  // opened in it.
  std::string why;
  const bool made = MakePrivateFolder(folders.configDir, why);
  if (const std::string distrust = FolderTrustProblem(folders.configDir); !distrust.empty())
    throw RegistryOpenError(UntrustedFolderMessage("settings", folders.configDir, distrust) + ".");
  // A store that cannot be written (a read-only or full disk, a file made read-only) is
  // read into memory instead: what only reads the settings still works, and the reason
  // they are not saved is the system's own.
  std::string cannot = made ? FolderWriteProblem(folders.configDir) : why;
  if (cannot.empty() && ::access(where.c_str(), F_OK) == 0 && ::access(where.c_str(), W_OK) != 0)
    cannot = std::strerror(errno);
  if (!cannot.empty()) {
    notSaved = "the settings store " + where + " cannot be written: " + cannot;
    return SqliteRegistry::CopyInMemory(where);
  }
  return std::make_unique<SqliteRegistry>(where);
}

std::unique_ptr<Shell> MakeSystemShell() { return std::make_unique<PosixShell>(); }

}  // namespace bx
