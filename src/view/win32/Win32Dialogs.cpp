#include "view/win32/Win32Dialogs.h"

// After windows.h.
#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "ui/Controls.h"

namespace bx::view {

namespace {

// A zero byte would end the text early.
std::string Shown(std::string text) {
  std::replace(text.begin(), text.end(), '\0', ' ');
  return text;
}

// A port's property sheet: a resizable window owned by the main window, a two-column list
// of the rows and a Close button; modal, as a message box is.
constexpr char kSheetClass[] = "BrevantixProperties";
constexpr int kListId = 2;

LRESULT CALLBACK SheetProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      // The Close button, Enter and Escape.
      if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) ::DestroyWindow(hwnd);
      return 0;
    case WM_SIZE: {
      const int w = LOWORD(lp), h = HIWORD(lp);
      constexpr int kMargin = 8, kButtonW = 88, kButtonH = 26;
      ::MoveWindow(::GetDlgItem(hwnd, kListId), kMargin, kMargin, w - 2 * kMargin, h - 3 * kMargin - kButtonH, TRUE);
      ::MoveWindow(::GetDlgItem(hwnd, IDOK), w - kMargin - kButtonW, h - kMargin - kButtonH, kButtonW, kButtonH, TRUE);
      return 0;
    }
    default:
      return ::DefWindowProcA(hwnd, msg, wp, lp);
  }
}

HWND MakeSheet(HWND owner, const std::string& title, const PropertyRows& rows) {
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  RegisterWindowClass(instance, kSheetClass, SheetProc);
  HWND sheet = ::CreateWindowExA(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kSheetClass, Shown(title).c_str(),
                                 WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, CW_USEDEFAULT, CW_USEDEFAULT, 520,
                                 360, owner, nullptr, instance, nullptr);
  if (!sheet) return nullptr;
  const auto font = reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT));
  HWND list = ::CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0,
                                0, 0, 0, sheet, reinterpret_cast<HMENU>(kListId), instance, nullptr);
  HWND close = ::CreateWindowExA(0, "BUTTON", "Close", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 0,
                                 0, sheet, reinterpret_cast<HMENU>(IDOK), instance, nullptr);
  ::SendMessageA(list, WM_SETFONT, font, FALSE);
  ::SendMessageA(close, WM_SETFONT, font, FALSE);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  std::string heads[] = {"Property", "Value"};
  for (int c = 0; c < 2; ++c) {
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.cx = c == 0 ? 160 : 320;
    col.pszText = heads[c].data();
    ::SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::string name = Shown(rows[i].first), value = Shown(rows[i].second);
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = name.data();
    ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 1;
    item.pszText = value.data();
    ::SendMessageA(list, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
  }
  return sheet;
}

}  // namespace

int Win32Dialogs::MessageBox(const std::string& caption, const std::string& text, int flags) {
  // The flags and the answers are the platform's own values; only these are passed on.
  const UINT style = static_cast<UINT>(flags & (mb::ButtonsMask | mb::IconMask | mb::DefaultMask)) | MB_SETFOREGROUND;
  const int answer = ::MessageBoxA(owner_, Shown(text).c_str(), Shown(caption).c_str(), style);
  switch (answer) {
    case IDOK:
    case IDYES:
    case IDNO:
    case IDCANCEL:
      return answer;
    default:
      return mb::DismissedAnswer(flags);
  }
}

std::string Win32FileFilter(const std::string& filter) {
  std::vector<std::string> parts;
  std::size_t from = 0;
  for (;;) {
    const std::size_t bar = filter.find('|', from);
    parts.push_back(filter.substr(from, bar == std::string::npos ? std::string::npos : bar - from));
    if (bar == std::string::npos) break;
    from = bar + 1;
  }
  std::string out;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].find('\0') != std::string::npos || parts[i + 1].find('\0') != std::string::npos) continue;
    out += parts[i];
    out += '\0';
    out += parts[i + 1].empty() ? "*.*" : parts[i + 1];
    out += '\0';
  }
  out += '\0';
  return out;
}

bool Win32Dialogs::OpenFile(const OpenFileRequest& request, std::string& chosen) {
  std::vector<char> path(32768, '\0');
  if (request.fileName.find('\0') == std::string::npos)
    std::copy_n(request.fileName.begin(), std::min(request.fileName.size(), path.size() - 1), path.begin());
  const std::string filter = Win32FileFilter(request.filter);
  const std::string title = Shown(request.title);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner_;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path.data();
  ofn.nMaxFile = static_cast<DWORD>(path.size());
  ofn.lpstrTitle = title.c_str();
  // Only an existing file can be chosen; the dialog is resizable and has no read-only
  // option.
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_PATHMUSTEXIST |
              (request.mustExist ? OFN_FILEMUSTEXIST : 0);
  if (!::GetOpenFileNameA(&ofn)) return false;
  chosen = path.data();
  return true;
}

void Win32Dialogs::ShowProperties(const std::string& title, const PropertyRows& rows) {
  HWND sheet = MakeSheet(owner_, title, rows);
  if (!sheet) return;
  if (owner_) ::EnableWindow(owner_, FALSE);
  ::ShowWindow(sheet, SW_SHOWNORMAL);
  MSG msg;
  int got = 0;
  while (::IsWindow(sheet) && (got = ::GetMessageA(&msg, nullptr, 0, 0)) > 0) {
    if (::IsDialogMessageA(sheet, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  if (got == 0) ::PostQuitMessage(static_cast<int>(msg.wParam));  // the program's end, for the outer loop
  if (owner_) {
    ::EnableWindow(owner_, TRUE);
    ::SetActiveWindow(owner_);
  }
  if (::IsWindow(sheet)) ::DestroyWindow(sheet);
}

std::string WithFullStop(std::string message) {
  if (!message.empty() && message.back() != '.' && message.back() != '!' && message.back() != '?') message += '.';
  return message;
}

void InstallExceptionDisplay(const HWND* owner, std::function<std::string()> applicationTitle) {
  ui::SetExceptionDisplay([owner, title = std::move(applicationTitle)](const std::string& message) {
    const std::string caption = title ? title() : std::string("Configurator");
    ::MessageBoxA(owner ? *owner : nullptr, Shown(WithFullStop(message)).c_str(), Shown(caption).c_str(),
                  MB_OK | MB_ICONERROR);
  });
}

}  // namespace bx::view
