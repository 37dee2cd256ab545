#pragma once
// What the identity parser needs of the mode list: the mode list (modes/) implements it
// and is connected to the parser by the window.
#include <string>

namespace bx {

class ModeEntries {
 public:
  virtual ~ModeEntries() = default;
  // Whether the line is a mode line (an ID of one to three characters and a marker).
  virtual bool IsModeLine(const std::string& line) const = 0;
  // Adds the entry for a mode line; returns whether the line is used (stays in memLog).
  virtual bool AddModeEntry(const std::string& line) = 0;
  virtual void SelectedModePass() = 0;
  virtual void Clear() = 0;  // empties the list and forgets the remembered entry
};

}  // namespace bx
