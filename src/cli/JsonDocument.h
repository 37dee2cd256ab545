#pragma once
// The --json output: one document per run, filled by the command and printed by Main
// when the run ends, so that a failure half-way still gives one whole document (with an
// "error" member).
#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace bx::cli {

using Json = nlohmann::ordered_json;

class JsonDocument {
 public:
  Json doc = Json::object();
  // Sets "error" unless the command set one already.
  void Error(const std::string& text);
  // Prints the document; texts from the adapter that are not UTF-8 have their bad bytes
  // replaced rather than ending the run.
  void Print(std::ostream& out) const;
};

Json LinesJson(const std::vector<std::string>& lines);

}  // namespace bx::cli
