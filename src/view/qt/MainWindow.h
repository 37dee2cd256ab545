#pragma once
// The real window over the main window model: a fixed 714 x 424 client area with a
// fixed border and no maximise box, one widget per control, the model's caption as the
// title, its position kept in step, and closing through the model's close sequence.
#include <QMetaObject>
#include <QWidget>
#include <map>
#include <memory>
#include <vector>

#include "form/Unitmain.h"
#include "view/qt/Binding.h"

namespace bx::view {

class LoopDriver;

class MainWindow : public QWidget {
 public:
  // The model must outlive the window. driver: nullptr runs user actions directly.
  MainWindow(TfrmMain& form, LoopDriver* driver);
  ~MainWindow() override;

  // The widget that shows a control, or nullptr.
  QWidget* WidgetFor(const ui::TControl& control) const;
  // Runs the model's FormShow, places the window (its saved position, or centred on the
  // screen) and shows it.
  void ShowWindow();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void Build(ui::TControl& model, QWidget* parent);
  void ApplyTabOrder();
  void AppendInTabOrder(ui::TControl& model, std::vector<QWidget*>& order) const;
  void FocusFromModel();
  void FocusFromWidget(QWidget* now);
  bool PlaceRestored();

  TfrmMain& form_;
  ViewContext ctx_;
  std::vector<std::unique_ptr<Binding>> bindings_;
  std::map<const QWidget*, ui::TControl*> models_;
  int captionConnection_ = 0;
  int focusConnection_ = 0;
  QMetaObject::Connection appFocus_;
};

}  // namespace bx::view
