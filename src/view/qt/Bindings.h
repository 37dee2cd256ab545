#pragma once
// The bindings of each control kind; MakeBinding picks one by the model's class.
#include <memory>

#include "view/qt/Binding.h"

namespace bx::view {

std::unique_ptr<Binding> BindLabel(ViewContext& ctx, ui::TLabel& model, QWidget* parent);
std::unique_ptr<Binding> BindButton(ViewContext& ctx, ui::TButton& model, QWidget* parent);
std::unique_ptr<Binding> BindCheckBox(ViewContext& ctx, ui::TCheckBox& model, QWidget* parent);
std::unique_ptr<Binding> BindRadioButton(ViewContext& ctx, ui::TRadioButton& model, QWidget* parent);
std::unique_ptr<Binding> BindRadioGroup(ViewContext& ctx, ui::TRadioGroup& model, QWidget* parent);
std::unique_ptr<Binding> BindGroupBox(ViewContext& ctx, ui::TGroupBox& model, QWidget* parent);
std::unique_ptr<Binding> BindPanel(ViewContext& ctx, ui::TControl& model, QWidget* parent);

std::unique_ptr<Binding> BindEdit(ViewContext& ctx, ui::TEdit& model, QWidget* parent);
std::unique_ptr<Binding> BindMemo(ViewContext& ctx, ui::TMemo& model, QWidget* parent);

std::unique_ptr<Binding> BindComboBox(ViewContext& ctx, ui::TComboBox& model, QWidget* parent);
std::unique_ptr<Binding> BindListView(ViewContext& ctx, ui::TListView& model, QWidget* parent);

std::unique_ptr<Binding> BindProgressBar(ViewContext& ctx, ui::TProgressBar& model, QWidget* parent);
std::unique_ptr<Binding> BindShape(ViewContext& ctx, ui::TShape& model, QWidget* parent);
std::unique_ptr<Binding> BindImage(ViewContext& ctx, ui::TImage& model, QWidget* parent);

std::unique_ptr<Binding> BindPageControl(ViewContext& ctx, ui::TPageControl& model, QWidget* parent);
std::unique_ptr<Binding> BindTabSheet(ViewContext& ctx, ui::TTabSheet& model, QWidget* parent);

}  // namespace bx::view
