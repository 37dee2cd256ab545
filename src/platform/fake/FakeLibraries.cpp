#include "platform/fake/FakeLibraries.h"

namespace bx {
namespace {

class FakeLibrary : public LoadedLibrary {
 public:
  FakeLibrary(const std::map<std::string, void*>& exports, std::shared_ptr<int> loaded,
              std::vector<std::string>& lookups)
      : exports_(exports), loaded_(std::move(loaded)), lookups_(lookups) {
    ++*loaded_;
  }
  ~FakeLibrary() override { --*loaded_; }
  void* Symbol(const std::string& name) override {
    lookups_.push_back(name);
    const auto it = exports_.find(name);
    return it == exports_.end() ? nullptr : it->second;
  }

 private:
  std::map<std::string, void*> exports_;
  std::shared_ptr<int> loaded_;
  std::vector<std::string>& lookups_;
};

}  // namespace

void FakeLibraryLoader::Add(const std::string& path, std::map<std::string, void*> exports) {
  libraries_[path] = std::move(exports);
}

std::unique_ptr<LoadedLibrary> FakeLibraryLoader::Load(const std::string& path, std::string& error) {
  const auto it = libraries_.find(path);
  if (it == libraries_.end()) {
    error = path + ": cannot open shared object file: No such file or directory";
    return nullptr;
  }
  ++loads;
  return std::make_unique<FakeLibrary>(it->second, loaded_, lookups);
}

}  // namespace bx
