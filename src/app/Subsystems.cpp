#include "app/Unitmain.h"
#include "app/WindowHooks.h"
#include "firmware/UpdatePage.h"

namespace bx {

void CreateSubsystems(TfrmMain& form) {
  CreateUpdater(form);
  // Hook: the link table is created here by its issue.
}

void DestroySubsystems(TfrmMain& form) {
  DestroyUpdater(form);  // before the links: a running upload still holds one
}

void LiveOutputTimer(TfrmMain& form) {
  // Hook: the live output pane of the self-test belongs to the exchange.
  (void)form;
}

}  // namespace bx
