#include "view/win32/Bindings.h"

namespace bx::view {

std::unique_ptr<Binding> MakeBinding(ViewContext& ctx, ui::TControl& m, HWND parent) {
  // Most derived classes first: a tab sheet is also a captioned control, and so on.
  if (auto* c = dynamic_cast<ui::TTabSheet*>(&m)) return BindTabSheet(ctx, *c, parent);
  if (auto* c = dynamic_cast<ui::TPageControl*>(&m)) return BindPageControl(ctx, *c, parent);
  if (auto* c = dynamic_cast<ui::TLabel*>(&m)) return BindLabel(ctx, *c, parent);
  if (auto* c = dynamic_cast<ui::TButton*>(&m)) return BindButton(ctx, *c, parent);
  if (auto* c = dynamic_cast<ui::TCheckBox*>(&m)) return BindCheckBox(ctx, *c, parent);
  if (auto* c = dynamic_cast<ui::TRadioButton*>(&m)) return BindRadioButton(ctx, *c, parent);
  if (auto* c = dynamic_cast<ui::TRadioGroup*>(&m)) return BindRadioGroup(ctx, *c, parent);
  if (auto* c = dynamic_cast<ui::TGroupBox*>(&m)) return BindGroupBox(ctx, *c, parent);
  if (auto* c = dynamic_cast<ui::TEdit*>(&m)) return BindEdit(ctx, *c, parent);
  if (auto* c = dynamic_cast<ui::TMemo*>(&m)) return BindMemo(ctx, *c, parent);
  if (auto* c = dynamic_cast<ui::TComboBox*>(&m)) return BindComboBox(ctx, *c, parent);
  if (auto* c = dynamic_cast<ui::TListView*>(&m)) return BindListView(ctx, *c, parent);
  if (auto* c = dynamic_cast<ui::TProgressBar*>(&m)) return BindProgressBar(ctx, *c, parent);
  if (auto* c = dynamic_cast<ui::TShape*>(&m)) return BindShape(ctx, *c, parent);
  if (auto* c = dynamic_cast<ui::TImage*>(&m)) return BindImage(ctx, *c, parent);
  return BindPanel(ctx, m, parent);  // panels, and any container kind without a control of its own
}

}  // namespace bx::view
