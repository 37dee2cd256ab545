#pragma once
// The version text a firmware image's header carries: the word after "version " in its
// printable text ("... adapter, version 0.0.1" gives "0.0.1"). The Update page shows it
// before an upload, and the simulated adapter reports the version it was last flashed with.
#include <string>
#include <string_view>

namespace bx {

// "" when the header holds no "version " followed by a word of digits, dots and letters.
std::string ImageVersionText(std::string_view header);

}  // namespace bx
