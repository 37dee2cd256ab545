#pragma once
// The platform's own backends of the seams a program starts with, for the composition
// root: which store holds the settings, and which shell opens things.
#include <memory>
#include <string>

#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/System.h"

namespace bx {

// The settings store: on Linux the SQLite store in the user's configuration folder, on
// Windows the system registry. `where` names it for messages (the file, or "the Windows
// registry"). Throws RegistryOpenError naming it when it cannot be opened. A store that
// can be read but not written is opened as a copy in memory, whose changes are lost at
// the end: `notSaved` then says why ("the settings store F cannot be written: Read-only
// file system"), else it is "".
std::unique_ptr<Registry> OpenSystemRegistry(const UserFolders& folders, std::string& where, std::string& notSaved);

// xdg-open and direct starts on Linux, ShellExecuteA on Windows.
std::unique_ptr<Shell> MakeSystemShell();

}  // namespace bx
