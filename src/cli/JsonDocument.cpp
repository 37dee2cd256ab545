#include "cli/JsonDocument.h"

#include <ostream>

namespace bx::cli {

void JsonDocument::Error(const std::string& text) {
  if (!doc.contains("error")) doc["error"] = text;
}

void JsonDocument::Print(std::ostream& out) const {
  out << doc.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

Json LinesJson(const std::vector<std::string>& lines) {
  Json a = Json::array();
  for (const std::string& l : lines) a.push_back(l);
  return a;
}

}  // namespace bx::cli
