#include "support/ArchiveBuilder.h"

#include <zip.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace bx::test {

Bytes BuildArchive(const std::vector<ArchiveEntry>& entries) {
  std::random_device rd;
  const auto path = std::filesystem::temp_directory_path() / ("bx-archive-" + std::to_string(rd()) + ".zip");
  int err = 0;
  zip_t* z = zip_open(path.string().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
  if (!z) return {};
  bool ok = true;
  for (const ArchiveEntry& e : entries) {
    // libzip keeps the source's buffer until zip_close: it must not be freed before.
    zip_source_t* src = zip_source_buffer(z, e.data.data(), e.data.size(), 0);
    const zip_int64_t i = src ? zip_file_add(z, e.name.c_str(), src, ZIP_FL_ENC_RAW) : -1;
    if (i < 0) {
      if (src) zip_source_free(src);
      ok = false;
      continue;
    }
    const auto idx = static_cast<zip_uint64_t>(i);
    zip_set_file_compression(z, idx, e.compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
    if (e.unixMode) zip_file_set_external_attributes(z, idx, 0, ZIP_OPSYS_UNIX, e.unixMode << 16);
  }
  if (zip_close(z) != 0) {
    zip_discard(z);
    ok = false;
  }
  Bytes out;
  if (ok) {
    std::ifstream in(path, std::ios::binary);
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::error_code ec;
  std::filesystem::remove(path, ec);
  return out;
}

Bytes WithDamagedData(Bytes archive) {
  // The first local header: 30 fixed bytes, the name, the extra field, then the data.
  if (archive.size() < 30) return archive;
  auto le16 = [&archive](std::size_t at) {
    return std::size_t(static_cast<unsigned char>(archive[at])) |
           (std::size_t(static_cast<unsigned char>(archive[at + 1])) << 8);
  };
  const std::size_t data = 30 + le16(26) + le16(28);
  if (data < archive.size()) archive[data] = static_cast<char>(archive[data] ^ 0x5A);
  return archive;
}

}  // namespace bx::test
