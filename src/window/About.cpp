// The About page: link hover styles and the two contact links.
#include <chrono>
#include <ctime>

#include "window/Unitmain.h"

namespace bx {

void TfrmMain::lbRefMouseEnter(ui::TLabel& label) { label.SetFontStyle(lbRef_Over.font.style); }

void TfrmMain::lbRefMouseLeave(ui::TLabel& label) { label.SetFontStyle(lbRef_Off.font.style); }

void TfrmMain::lbRefClick() {
  if (ctx.shell) ctx.shell->Open(lbRef.Caption(), "");
}

void TfrmMain::lbMailClick() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  const std::tm local = *std::localtime(&now);  // the main thread's only caller
  const std::string link = Format("mailto:%s?subject=Order%%20for%%20%s%%20Adapter%%20-%%20%04u%02u%02u",
                                  lbMail.Caption().c_str(), ProductName.c_str(), unsigned(local.tm_year + 1900),
                                  unsigned(local.tm_mon + 1), unsigned(local.tm_mday));
  if (ctx.shell) ctx.shell->Open(link, "");
}

}  // namespace bx
