#pragma once
// The fifth serial family: device paths the program hands in (a port named on the
// command line, the demo simulator's pseudo-terminal), listed as given. Ports may be
// added and removed from any thread; the scan sees the change at its next pass.
#include <mutex>
#include <string>
#include <vector>

#include "links/PortSource.h"

namespace bx {

struct VirtualPort {
  std::string name;  // the device path
  std::string description;
  std::string detail;  // usually empty: such a port has no device tree entry
};

class VirtualPorts : public PortSource {
 public:
  // Adds the port, or replaces the description and detail of one already listed.
  void Add(const VirtualPort& port);
  bool Remove(const std::string& name);  // false when it was not listed
  std::vector<VirtualPort> List() const;

  std::string WatchKey() const override { return "virtual ports"; }
  std::optional<uint64_t> Stamp() override;
  int Fill(PortLists& lists) override;
  bool Owns(const std::string& name) const override;

 private:
  mutable std::mutex mu_;
  std::vector<VirtualPort> ports_;
  uint64_t generation_ = 1;
};

}  // namespace bx
