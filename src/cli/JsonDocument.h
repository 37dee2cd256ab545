#pragma once
// The --json output: one document per run, filled by the command and printed by Main
// when the run ends, so that a failure half-way still gives one whole document (with an
// "error" member).
#include <iosfwd>
#include <nlohmann/json.hpp>
#include <streambuf>
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
  // The document as Print prints it, without the final line end.
  std::string Text() const;
};

Json LinesJson(const std::vector<std::string>& lines);

// With --json, the text a command prints goes to standard error instead of standard
// output, and its lines are kept for the document.
class LineCapture : public std::streambuf {
 public:
  explicit LineCapture(std::ostream& to);
  // The lines written so far, an unfinished last one included; carriage returns end a
  // line's earlier text (a progress bar redrawn in place keeps its last state).
  std::vector<std::string> Lines() const;

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  void Take(char c);
  std::ostream& to_;
  std::vector<std::string> lines_;
  std::string current_;
};

}  // namespace bx::cli
