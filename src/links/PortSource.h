#pragma once
// Where a serial link's ports come from: one driver family in sysfs, the ports the
// program hands in, or one driver's device list in the registry. The link's scan thread
// calls Stamp on every pass and Fill when the stamp changed (or is missing), both under
// the link's ScanLock.
#include <cstdint>
#include <optional>
#include <string>

#include "core/PortList.h"

namespace bx {

class PortSource {
 public:
  virtual ~PortSource() = default;

  // What is watched, in words ("sysfs tty: USB serial", a registry key path).
  virtual std::string WatchKey() const = 0;
  // Changes whenever the list changes; nullopt when the source is missing, which makes
  // the link rebuild (empty) on every pass.
  virtual std::optional<uint64_t> Stamp() = 0;
  // Adds the rows (AddPort); answers the number of devices seen.
  virtual int Fill(PortLists& lists) = 0;
  // A port outside the link's prefix that this source still serves.
  virtual bool Owns(const std::string& name) const {
    (void)name;
    return false;
  }
};

}  // namespace bx
