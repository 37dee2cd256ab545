#pragma once
#include <string_view>

namespace bx::res {
// The bytes of a file embedded from resources/embed/, empty when there is none.
std::string_view Find(std::string_view name);
}
