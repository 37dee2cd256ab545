#pragma once
// A pass-thru manifest from ~/.passthru, as another program may have written it: one that
// is read names a device with an absolute library, and written back and read again it
// is the same device.
#include <algorithm>
#include <string_view>

#include "Check.h"
#include "passthru/PassThruDevice.h"

namespace bx::fuzz {

inline void DrivePassThruManifest(std::string_view input) {
  std::string why;
  const std::optional<PassThruDevice> d = ParseManifest(input, why);
  if (!d) {
    Check(!why.empty(), "a refused manifest says why");
    return;
  }
  Check(!d->name.empty(), "a device has a name");
  Check(!d->functionLibrary.empty() && d->functionLibrary[0] == '/', "the library is an absolute path");
  const std::optional<PassThruDevice> again = ParseManifest(FormatManifest(*d), why);
  Check(again.has_value(), "a device written is read again");
  if (!again) return;
  Check(again->name == d->name && again->vendor == d->vendor && again->functionLibrary == d->functionLibrary &&
            again->configApplication == d->configApplication,
        "written and read again, the texts are the same");
  auto sorted = [](std::vector<std::pair<std::string, bool>> p) {
    std::sort(p.begin(), p.end());
    return p;
  };
  Check(sorted(again->protocols) == sorted(d->protocols), "written and read again, the protocols are the same");
}

}  // namespace bx::fuzz
