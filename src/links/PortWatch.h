#pragma once
// The ports a flashing station watches, as present now: the device paths that some shell
// patterns match (udev's stable names: /dev/serial/by-id/usb-*), or, without patterns,
// the serial ports the links list (their hot-plug scan keeps that list fresh; a saved
// network adapter is never plugged in, and is left out). One name per device: a /dev/serial/by-id link and the tty
// it points at are one port, the first name found kept.
#include <string>
#include <vector>

namespace bx {

class LinkTable;

class PortWatch {
 public:
  // `links` (may be null: no ports without patterns) outlives the watch.
  PortWatch(std::vector<std::string> patterns, const LinkTable* links);
  // In the patterns' order, each pattern's matches sorted; a link that points nowhere (an
  // adapter pulled, its name not yet removed) and a folder are no ports.
  std::vector<std::string> Present() const;

 private:
  std::vector<std::string> patterns_;
  const LinkTable* links_;
};

}  // namespace bx
