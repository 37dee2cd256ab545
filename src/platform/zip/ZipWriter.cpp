// Zip archives made through libzip in memory, the same on either platform.
#include <zip.h>

#include <memory>

#include "platform/Archive.h"

namespace bx {
namespace {

struct SourceFree {
  void operator()(zip_source_t* s) const { zip_source_free(s); }
};
using SourcePtr = std::unique_ptr<zip_source_t, SourceFree>;

std::string ErrorText(zip_error_t* e) {
  const char* text = zip_error_strerror(e);
  return text ? text : "libzip error";
}

}  // namespace

bool ZipArchiveBytes(const std::vector<ArchiveMember>& members, std::string& bytes, std::string& why) {
  zip_error_t error;
  zip_error_init(&error);
  SourcePtr buffer(zip_source_buffer_create(nullptr, 0, 0, &error));
  if (!buffer) {
    why = ErrorText(&error);
    zip_error_fini(&error);
    return false;
  }
  zip_source_keep(buffer.get());  // it outlives the archive, which frees its reference
  zip_t* z = zip_open_from_source(buffer.get(), ZIP_TRUNCATE, &error);
  if (!z) {
    zip_source_free(buffer.get());  // the reference the archive would have taken
    why = ErrorText(&error);
    zip_error_fini(&error);
    return false;
  }
  zip_error_fini(&error);
  for (const ArchiveMember& m : members) {
    std::string nameWhy;
    if (!SafeEntryName(m.name, nameWhy)) {
      why = m.name + ": " + nameWhy;
      zip_discard(z);
      return false;
    }
    zip_source_t* data = zip_source_buffer(z, m.data.data(), m.data.size(), 0);
    if (!data || zip_file_add(z, m.name.c_str(), data, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
      if (data) zip_source_free(data);
      why = std::string("cannot add ") + m.name + ": " + zip_strerror(z);
      zip_discard(z);
      return false;
    }
  }
  if (zip_close(z) != 0) {
    why = std::string("cannot write the archive: ") + zip_strerror(z);
    zip_discard(z);
    return false;
  }
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_source_stat(buffer.get(), &st) != 0 || !(st.valid & ZIP_STAT_SIZE) || zip_source_open(buffer.get()) != 0) {
    why = "cannot read the archive back";
    return false;
  }
  bytes.assign(static_cast<std::size_t>(st.size), '\0');
  const zip_int64_t n = zip_source_read(buffer.get(), bytes.data(), st.size);
  zip_source_close(buffer.get());
  if (n < 0 || static_cast<zip_uint64_t>(n) != st.size) {
    why = "cannot read the archive back";
    return false;
  }
  return true;
}

}  // namespace bx
