#include "links/VirtualPorts.h"

#include <algorithm>

namespace bx {

void VirtualPorts::Add(const VirtualPort& port) {
  if (port.name.empty()) return;
  std::lock_guard<std::mutex> g(mu_);
  auto it = std::find_if(ports_.begin(), ports_.end(), [&](const VirtualPort& p) { return p.name == port.name; });
  if (it == ports_.end()) {
    ports_.push_back(port);
  } else {
    *it = port;
  }
  ++generation_;
}

bool VirtualPorts::Remove(const std::string& name) {
  std::lock_guard<std::mutex> g(mu_);
  auto it = std::find_if(ports_.begin(), ports_.end(), [&](const VirtualPort& p) { return p.name == name; });
  if (it == ports_.end()) return false;
  ports_.erase(it);
  ++generation_;
  return true;
}

std::vector<VirtualPort> VirtualPorts::List() const {
  std::lock_guard<std::mutex> g(mu_);
  return ports_;
}

std::optional<uint64_t> VirtualPorts::Stamp() {
  std::lock_guard<std::mutex> g(mu_);
  return generation_;
}

int VirtualPorts::Fill(PortLists& lists) {
  std::lock_guard<std::mutex> g(mu_);
  for (const VirtualPort& p : ports_) AddPort(lists, p.name, p.description, p.detail);
  return static_cast<int>(ports_.size());
}

bool VirtualPorts::Owns(const std::string& name) const {
  std::lock_guard<std::mutex> g(mu_);
  return std::any_of(ports_.begin(), ports_.end(), [&](const VirtualPort& p) { return p.name == name; });
}

}  // namespace bx
