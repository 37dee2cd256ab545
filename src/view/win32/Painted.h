#pragma once
// A control the view paints itself: the binding answers WM_PAINT.
#include "view/win32/Binding.h"

namespace bx::view {

class PaintedBinding : public Binding {
 public:
  PaintedBinding(ViewContext& ctx, ui::TControl& m, HWND parent, DWORD exStyle = 0);
  ~PaintedBinding() override;

 protected:
  virtual void Paint(HDC dc, const RECT& client) = 0;
  void RefreshOwn() override { ::InvalidateRect(Hwnd(), nullptr, TRUE); }

 private:
  static HWND Create(ViewContext& ctx, HWND parent, DWORD exStyle);
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
};

}  // namespace bx::view
