// Loadable libraries on POSIX: dlopen with every symbol bound at load, so that a library
// missing one of its own dependencies fails here and not at its first call.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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
    // The file is opened and checked first, without blocking: dlopen of a FIFO waits for
    // a writer for good. It is loaded by its name, not by the descriptor (/proc/self/fd/N):
    // a library finds the libraries beside it through $ORIGIN, which is its own folder
    // only when it is loaded from there.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
      error = "cannot open " + path + ": " + std::strerror(errno);
      return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      error = "cannot load " + path + ": not a regular file";
      return nullptr;
    }
    dlerror();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ::close(fd);
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
