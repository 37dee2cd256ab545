// Loadable libraries on POSIX: dlopen with every symbol bound at load, so that a library
// missing one of its own dependencies fails here and not at its first call.
#include <dlfcn.h>

#include "platform/Library.h"

namespace bx {
namespace {

class DlLibrary : public LoadedLibrary {
 public:
  explicit DlLibrary(void* handle) : handle_(handle) {}
  ~DlLibrary() override { dlclose(handle_); }
  DlLibrary(const DlLibrary&) = delete;
  DlLibrary& operator=(const DlLibrary&) = delete;

  void* Symbol(const std::string& name) override {
    dlerror();
    return dlsym(handle_, name.c_str());
  }

 private:
  void* handle_;
};

class DlLoader : public LibraryLoader {
 public:
  std::unique_ptr<LoadedLibrary> Load(const std::string& path, std::string& error) override {
    if (path.empty()) {
      error = "no library file is named";
      return nullptr;
    }
    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      const char* why = dlerror();
      error = why ? why : "cannot load " + path;
      return nullptr;
    }
    return std::make_unique<DlLibrary>(handle);
  }
};

}  // namespace

std::unique_ptr<LibraryLoader> MakeLibraryLoader() { return std::make_unique<DlLoader>(); }

}  // namespace bx
