// The window's shared helpers: message boxes, the file chooser and whole-file reads and
// writes, used by every page.
#include <filesystem>
#include <fstream>

#include "core/Bytes.h"
#include "form/Unitmain.h"

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

bool TfrmMain::SelectProgram(std::string& fileName) {
  OpenFileRequest r;
  r.filter = "Executable files|*.exe;*.bat;*.cmd|All files|*.*";
  r.programs = true;
  return ChooseFile(ctx.dialogs, r, fileName);
}

bool TfrmMain::ReadWholeFile(const std::string& path, Bytes& data) {
  std::error_code ec;
  if (path.empty() || std::filesystem::is_directory(path, ec)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  Bytes out;
  char buf[65536];
  while (in.read(buf, sizeof buf) || in.gcount() > 0) out.append(buf, static_cast<std::size_t>(in.gcount()));
  if (in.bad()) return false;
  data = std::move(out);
  return true;
}

bool TfrmMain::WriteWholeFile(const std::string& path, const Bytes& data) {
  std::error_code ec;
  if (std::filesystem::exists(path, ec) && !std::filesystem::remove(path, ec)) return false;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  out.close();
  if (!out) {
    std::filesystem::remove(path, ec);
    return false;
  }
  return true;
}

}  // namespace bx
