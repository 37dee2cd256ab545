#include "core/PortList.h"

#include <algorithm>

namespace bx {

// A text already among the joined parts is not added again, so a port that three
// drivers report, two of them alike, reads "A; B" and not "A; B; A".
static bool HasPart(const std::string& joined, const std::string& part) {
  std::size_t from = 0;
  for (;;) {
    std::size_t end = joined.find("; ", from);
    if (joined.compare(from, end == std::string::npos ? std::string::npos : end - from, part) == 0) return true;
    if (end == std::string::npos) return false;
    from = end + 2;
  }
}

std::string JoinDescriptions(const std::string& oldText, const std::string& newText) {
  if (oldText.empty()) return newText;
  if (newText.empty() || oldText == newText || HasPart(oldText, newText)) return oldText;
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

std::string PortText(const std::string& name, const std::string& description) {
  return name + " (" + description + ")";
}

std::string PortText(const PortLists& rows, const std::string& name, const std::string& unlisted) {
  for (std::size_t i = 0; i < rows.Names.size() && i < rows.Descriptions.size(); ++i)
    if (rows.Names[i] == name) return PortText(name, rows.Descriptions[i]);
  return PortText(name, unlisted);
}

}  // namespace bx
