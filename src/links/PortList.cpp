#include "links/PortList.h"

#include <algorithm>

namespace bx {

std::string JoinDescriptions(const std::string& oldText, const std::string& newText) {
  if (oldText.empty()) return newText;
  if (oldText == newText || newText.empty()) return oldText;
  return oldText + "; " + newText;
}

int AddPort(PortLists& lists, const std::string& name, const std::string& description, const std::string& detail) {
  if (name.empty()) return -1;
  auto it = std::find(lists.Names.begin(), lists.Names.end(), name);
  if (it == lists.Names.end()) {
    lists.Names.push_back(name);
    lists.Descriptions.push_back(description);
    lists.Details.push_back(detail);
    return 1;
  }
  auto i = static_cast<std::size_t>(it - lists.Names.begin());
  lists.Descriptions[i] = JoinDescriptions(lists.Descriptions[i], description);
  lists.Details[i] = JoinDescriptions(lists.Details[i], detail);
  return 0;
}

}  // namespace bx
