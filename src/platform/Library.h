#pragma once
// The loadable-library seam: a shared library named at run time (a pass-thru driver) is
// loaded, its exports are looked up by name, and it is unloaded when the handle goes.
//
// Main thread only. A LoadedLibrary owns its load: the library stays mapped exactly as
// long as the handle lives, and every address Symbol() gave out is invalid afterwards.
// Two loads of one file are two handles; each unloads only its own load.
#include <memory>
#include <string>

namespace bx {

class LoadedLibrary {
 public:
  virtual ~LoadedLibrary() = default;  // unloads
  // The address of an export, or nullptr when the library has none of that name.
  virtual void* Symbol(const std::string& name) = 0;
};

class LibraryLoader {
 public:
  virtual ~LibraryLoader() = default;
  // Loads the library file at `path`; nullptr with `error` set (a sentence a user can act
  // on) when it cannot be loaded.
  virtual std::unique_ptr<LoadedLibrary> Load(const std::string& path, std::string& error) = 0;
};

// The platform's loader (dlopen on Linux).
std::unique_ptr<LibraryLoader> MakeLibraryLoader();

}  // namespace bx
