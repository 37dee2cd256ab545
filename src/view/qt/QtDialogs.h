#pragma once
// The window's dialogs: message boxes, the open-file dialog and a port's property
// sheet, all owned by the main window.
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>

#include "platform/Services.h"

namespace bx::view {

class QtDialogs : public Dialogs {
 public:
  void SetOwner(QWidget* owner) { owner_ = owner; }
  int MessageBox(const std::string& caption, const std::string& text, int flags) override;
  bool OpenFile(const OpenFileRequest& request, std::string& chosen) override;
  void ShowProperties(const std::string& title, const PropertyRows& rows) override;

 private:
  QPointer<QWidget> owner_;
};

// "Description|*.ext1;*.ext2|All files|*.*" in Qt's form:
// "Description (*.ext1 *.EXT1 *.ext2 *.EXT2);;All files (*)". Masks match either case,
// as they do on the file systems the masks were made for.
QString QtFileFilter(const std::string& filter);

// The standard exception display: a message box with the application title as caption,
// the message ending in a full stop, and the error icon.
void InstallExceptionDisplay(QWidget* owner, std::function<std::string()> applicationTitle);
std::string WithFullStop(std::string message);

}  // namespace bx::view
