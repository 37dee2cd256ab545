#include "links/PortWatch.h"

#include <filesystem>
#include <set>

#include "links/LinkTable.h"
#include "platform/Files.h"

namespace bx {

PortWatch::PortWatch(std::vector<std::string> patterns, const LinkTable* links)
    : patterns_(std::move(patterns)), links_(links) {}

std::vector<std::string> PortWatch::Present() const {
  std::vector<std::string> names;
  if (patterns_.empty()) {
    if (!links_) return names;
    for (std::string& name : links_->CollectPorts().Names)
      if (!links_->Net().OwnsPort(name)) names.push_back(std::move(name));
    return names;
  }
  std::set<std::string> devices;
  for (const std::string& pattern : patterns_) {
    for (const std::string& path : MatchingPaths(pattern)) {
      std::error_code ec;
      const std::filesystem::path device = std::filesystem::canonical(path, ec);
      if (ec || std::filesystem::is_directory(device, ec)) continue;
      if (devices.insert(device.string()).second) names.push_back(path);
    }
  }
  return names;
}

}  // namespace bx
