#pragma once
// What a page may ask of the window besides its own controls: the application's message
// box, the file chooser and the shared column sort. The window implements it; the pages
// are handed it by their constructors.
#include <string>

#include "platform/Services.h"
#include "ui/Controls.h"

namespace bx {

class WindowServices {
 public:
  virtual ~WindowServices() = default;
  // A message box captioned with the application title, " - " and the short caption;
  // flags and answers are the mb:: values.
  virtual int AppMessageBox(const std::string& shortCaption, const std::string& text, int flags) = 0;
  // The open-file dialog: false when cancelled; `fileName` is the start and the answer.
  virtual bool SelectFile(const std::string& description, const std::string& mask, std::string& fileName) = 0;
  // The same for a program to start: the platform's program files, then all files.
  virtual bool SelectProgram(std::string& fileName) = 0;
  // Sorts a list view by the window's shared sort column and direction.
  virtual void SortList(ui::TListView& view) = 0;
};

}  // namespace bx
