#pragma once
// The port rows the links report and the window offers: three index-aligned lists of
// port name, description and detail (the sysfs device path or driver instance path of a
// serial port, the MAC address of a network device), one row per port name.
#include <string>
#include <vector>

namespace bx {

struct PortLists {
  std::vector<std::string> Names;
  std::vector<std::string> Descriptions;
  std::vector<std::string> Details;

  std::size_t size() const { return Names.size(); }
  bool empty() const { return Names.empty(); }
  void clear() {
    Names.clear();
    Descriptions.clear();
    Details.clear();
  }
  bool operator==(const PortLists&) const = default;
};

// "new" when old is empty; old when new is empty or already one of old's "; "-joined
// parts (old itself included); else old + "; " + new.
std::string JoinDescriptions(const std::string& oldText, const std::string& newText);

// Adds a row, or merges it into the row of the same name (exact, case-sensitive) by
// joining descriptions and details. Answers -1 for an empty name (nothing added), 1 for a
// new row, 0 for a merge.
int AddPort(PortLists& lists, const std::string& name, const std::string& description, const std::string& detail);

// A port as the port list shows it, "NAME (description)"; a port the rows do not hold is
// shown with `unlisted` as its description.
std::string PortText(const std::string& name, const std::string& description);
std::string PortText(const PortLists& rows, const std::string& name, const std::string& unlisted);

}  // namespace bx
