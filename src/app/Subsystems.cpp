#include "app/Unitmain.h"
#include "app/WindowHooks.h"

namespace bx {

void CreateSubsystems(TfrmMain& form) {
  // Hook: the firmware updater and the link table are created here by their issues.
  (void)form;
}

void DestroySubsystems(TfrmMain& form) {
  (void)form;
}

void LiveOutputTimer(TfrmMain& form) {
  // Hook: the live output pane of the self-test belongs to the exchange.
  (void)form;
}

}  // namespace bx
