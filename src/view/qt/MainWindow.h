#pragma once
// The real window over the main window model: a fixed 714 x 424 client area with a
// fixed border and no maximise box, one widget per control, the model's caption as the
// title, its position kept in step, and closing through the model's close sequence. On a
// screen too small for it (a large scale on a small screen) the client area scrolls.
#include <QList>
#include <QMetaObject>
#include <QRect>
#include <QWidget>
#include <map>
#include <memory>
#include <vector>

#include "window/Unitmain.h"
#include "view/qt/Binding.h"

class QScrollArea;

namespace bx::view {

class LoopDriver;

// Where a window wanted at `wanted` goes among the screens' available areas: where it is
// while at least half of it shows on one screen with its top edge there; otherwise onto
// the screen nearest to it, whole where it fits.
QPoint PlaceOnScreens(const QRect& wanted, const QList<QRect>& screens);

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
  // Sizes the window to its client area, or to `available` (a screen's free area) where
  // that is smaller: the client area then scrolls.
  void FitInto(const QRect& available);
  QScrollArea* ScrollArea() const { return scroll_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Build(ui::TControl& model, QWidget* parent);
  void ApplyTabOrder();
  void AppendInTabOrder(ui::TControl& model, std::vector<QWidget*>& order) const;
  void FocusFromModel();
  void FocusFromWidget(QWidget* now);
  bool PlaceRestored();

  TfrmMain& form_;
  QWidget* content_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  ViewContext ctx_;
  std::vector<std::unique_ptr<Binding>> bindings_;
  std::map<const QWidget*, ui::TControl*> models_;
  int captionConnection_ = 0;
  int focusConnection_ = 0;
  QMetaObject::Connection appFocus_;
};

}  // namespace bx::view
