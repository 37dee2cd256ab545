#pragma once
// What the identity parser needs of the mode list: the mode list (modes/) implements it
// and is connected to the parser by the window.
#include <string>
#include <vector>

namespace bx {

class ModeEntries {
 public:
  virtual ~ModeEntries() = default;
  // Whether the line is a mode line (an ID of one to three characters and a marker).
  virtual bool IsModeLine(const std::string& line) const = 0;
  // Adds the entry for a mode line; returns whether the line is used (stays in memLog).
  virtual bool AddModeEntry(const std::string& line) = 0;
  // Marks the entry the reply's "Selected Mode: " texts leave selected; returns its ID
  // (empty when none is).
  virtual std::string SelectedModePass(const std::vector<std::string>& selectedTexts) = 0;
  virtual void Clear() = 0;  // empties the list and forgets the remembered entry
  // A new adapter: no mode is remembered, so no program is linked to it.
  virtual void ForgetProgram() = 0;
};

}  // namespace bx
