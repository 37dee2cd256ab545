// The window's design layout: positions and sizes of the controls in pixels of the
// 714 x 424 client area.
#include "app/Unitmain.h"
#include "app/WindowHooks.h"

namespace bx {

void ApplyLayout(TfrmMain& f) {
  f.pcOptions.SetBounds(0, 0, 714, 372);
  f.pnStatus.SetBounds(0, 372, 714, 52);
}

}  // namespace bx
