#pragma once
// Loadable libraries in memory: a test names the files that "are" libraries and the
// exports each has (the addresses of functions of the test), and sees what was loaded,
// looked up and unloaded.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Library.h"

namespace bx {

class FakeLibraryLoader : public LibraryLoader {
 public:
  // The file at `path` is a library with these exports.
  void Add(const std::string& path, std::map<std::string, void*> exports);
  std::unique_ptr<LoadedLibrary> Load(const std::string& path, std::string& error) override;

  int Loaded() const { return *loaded_; }  // handles alive now
  int loads = 0;
  std::vector<std::string> lookups;  // every Symbol() name asked for, in order

 private:
  std::map<std::string, std::map<std::string, void*>> libraries_;
  std::shared_ptr<int> loaded_ = std::make_shared<int>(0);
};

}  // namespace bx
