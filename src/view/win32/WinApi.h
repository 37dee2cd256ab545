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
