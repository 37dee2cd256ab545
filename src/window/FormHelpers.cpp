// The window's shared helpers: message boxes, the file chooser and whole-file reads and
// writes, used by every page.
#include "core/Bytes.h"
#include "platform/Files.h"
#include "window/Unitmain.h"

namespace bx {

int TfrmMain::AppMessageBox(const std::string& shortCaption, const std::string& text, int flags) {
  if (!ctx.dialogs) return mb::IdCancel;
  return ctx.dialogs->MessageBox(appTitle_ + " - " + shortCaption, text, flags);
}

namespace {
bool ChooseFile(Dialogs* dialogs, OpenFileRequest& r, std::string& fileName) {
  if (!dialogs) return false;
  r.title = "Open";
  r.fileName = fileName;
  r.mustExist = true;
  std::string chosen;
  if (!dialogs->OpenFile(r, chosen)) return false;
  fileName = chosen;
  return true;
}
}  // namespace

bool TfrmMain::SelectFile(const std::string& description, const std::string& mask, std::string& fileName) {
  OpenFileRequest r;
  r.filter = description + "|" + LowerAscii(mask) + "|All files|*.*";
  return ChooseFile(ctx.dialogs, r, fileName);
}

bool TfrmMain::SelectProgram(std::string& fileName) { return ChooseProgramFile(ctx.dialogs, fileName); }

bool TfrmMain::ReadWholeFile(const std::string& path, Bytes& data, std::size_t limit) {
  return ReadRegularFile(path, limit, data).Ok();
}

bool TfrmMain::WriteWholeFile(const std::string& path, const Bytes& data) {
  std::string why;
  return ReplaceFileContents(path, data, why);
}

}  // namespace bx
