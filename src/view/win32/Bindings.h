#pragma once
// The bindings of each control kind; MakeBinding picks one by the model's class.
#include <memory>

#include "view/win32/Binding.h"

namespace bx::view {

std::unique_ptr<Binding> BindLabel(ViewContext& ctx, ui::TLabel& model, HWND parent);
std::unique_ptr<Binding> BindButton(ViewContext& ctx, ui::TButton& model, HWND parent);
std::unique_ptr<Binding> BindCheckBox(ViewContext& ctx, ui::TCheckBox& model, HWND parent);
std::unique_ptr<Binding> BindRadioButton(ViewContext& ctx, ui::TRadioButton& model, HWND parent);
std::unique_ptr<Binding> BindRadioGroup(ViewContext& ctx, ui::TRadioGroup& model, HWND parent);
std::unique_ptr<Binding> BindGroupBox(ViewContext& ctx, ui::TGroupBox& model, HWND parent);
std::unique_ptr<Binding> BindPanel(ViewContext& ctx, ui::TControl& model, HWND parent);

std::unique_ptr<Binding> BindEdit(ViewContext& ctx, ui::TEdit& model, HWND parent);
std::unique_ptr<Binding> BindMemo(ViewContext& ctx, ui::TMemo& model, HWND parent);

std::unique_ptr<Binding> BindComboBox(ViewContext& ctx, ui::TComboBox& model, HWND parent);
std::unique_ptr<Binding> BindListView(ViewContext& ctx, ui::TListView& model, HWND parent);

std::unique_ptr<Binding> BindProgressBar(ViewContext& ctx, ui::TProgressBar& model, HWND parent);
std::unique_ptr<Binding> BindShape(ViewContext& ctx, ui::TShape& model, HWND parent);
std::unique_ptr<Binding> BindImage(ViewContext& ctx, ui::TImage& model, HWND parent);

std::unique_ptr<Binding> BindPageControl(ViewContext& ctx, ui::TPageControl& model, HWND parent);
std::unique_ptr<Binding> BindTabSheet(ViewContext& ctx, ui::TTabSheet& model, HWND parent);

}  // namespace bx::view
