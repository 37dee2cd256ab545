#include "Resources.h"

#include <cstddef>

namespace bx::res {
struct Entry { const char* name; const unsigned char* data; std::size_t size; };
extern const Entry kEntries[];

std::string_view Find(std::string_view name) {
  for (const Entry* e = kEntries; e->name; ++e)
    if (name == e->name) return {reinterpret_cast<const char*>(e->data), e->size};
  return {};
}
}  // namespace bx::res
