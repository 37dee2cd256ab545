#pragma once
// The Windows headers of the window, without the macros that would rename this program's
// own functions (MessageBox), and the common controls.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After windows.h.
#include <commctrl.h>
#undef MessageBox

namespace bx::view {

// Registers one of the view's window classes, once: the arrow cursor, the dialog face as
// background and `icon` when given. A class already registered is left as it is.
inline void RegisterWindowClass(HINSTANCE instance, const char* name, WNDPROC proc, HICON icon = nullptr) {
  WNDCLASSEXA wc{};
  if (::GetClassInfoExA(instance, name, &wc)) return;
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = name;
  ::RegisterClassExA(&wc);
}

}  // namespace bx::view
