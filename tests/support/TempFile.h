#pragma once
// A firmware file in a fresh temporary folder, removed with the object.
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "core/Bytes.h"

namespace bx::test {

class TempFolder {
 public:
  TempFolder() {
    std::random_device rd;
    dir_ = std::filesystem::temp_directory_path() / ("bx-firmware-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(dir_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string Path() const { return dir_.string(); }
  std::string Write(const std::string& name, const Bytes& contents) const {
    const auto path = dir_ / name;
    std::ofstream(path, std::ios::binary) << contents;
    return path.string();
  }

 private:
  std::filesystem::path dir_;
};

// Deterministic bytes of every value, so that a page cut from the wrong offset shows.
inline Bytes Pattern(std::size_t n, unsigned seed = 1) {
  Bytes out(n, '\0');
  unsigned x = seed;
  for (auto& c : out) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 16);
  }
  return out;
}

}  // namespace bx::test
