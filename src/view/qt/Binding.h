#pragma once
// One widget per control model. A binding creates its widget, shows the model's state in
// it whenever the model says it changed, and hands the user's input to the model's user
// methods (Click, UserType, UserSelect, KeyDown...). It holds no behaviour of its own:
// after every user action it shows what the model made of it.
#include <QObject>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>

#include "ui/Controls.h"
#include "view/qt/StateIcons.h"

namespace bx::view {

class LoopDriver;

// What the bindings of one window share.
struct ViewContext {
  LoopDriver* driver = nullptr;  // nullptr: user actions run directly (tests on virtual time)
  StateIcons icons;
  std::map<const ui::TControl*, QWidget*> widgets;
  // Each button's Alt letter (ui::ChooseAccessKeys), unique among the buttons seen
  // together; the caption shows it underlined where it holds the letter.
  std::map<const ui::TControl*, char> mnemonics;
  // Runs a user action on the models; handlers started by it never overlap a timer's.
  void User(const std::function<void()>& action);
};

class Binding : public QObject {
 public:
  Binding(ViewContext& ctx, ui::TControl& model, QWidget* widget);
  ~Binding() override;
  Binding(const Binding&) = delete;
  Binding& operator=(const Binding&) = delete;

  ui::TControl& Model() const { return model_; }
  QWidget* Widget() const { return widget_; }
  // The widget that holds the children of this control.
  virtual QWidget* ChildParent() const { return widget_; }
  // Shows the model's whole state.
  void Refresh();

 protected:
  // The control's own state (caption, text, items...), shown before the widget is
  // placed, so that a label can size itself to its new caption.
  virtual void RefreshOwn() {}
  // The rectangle the widget takes; labels size themselves to their caption.
  virtual QRect Bounds() const;
  // Tab pages are placed by their page control, not by their bounds.
  virtual bool PlacedByModel() const { return true; }
  // A user action, then the model's state shown again (it may refuse or alter the input).
  void User(const std::function<void()>& action);
  bool eventFilter(QObject* watched, QEvent* event) override;

  ViewContext& ctx_;
  bool syncing_ = false;  // the binding itself is writing into the widget

  // Sets syncing_ for the scope of a write into the widget.
  struct Sync {
    explicit Sync(Binding& b) : b_(b), was_(b.syncing_) { b_.syncing_ = true; }
    ~Sync() { b_.syncing_ = was_; }
    Binding& b_;
    bool was_;
  };

 private:
  void RefreshStyle();
  void RefreshPlacement();
  void RestoreFocus();
  ui::TControl& model_;
  QWidget* widget_;
  int connection_ = 0;
};

// Creates the binding (and its widget, a child of parent) for one control model.
std::unique_ptr<Binding> MakeBinding(ViewContext& ctx, ui::TControl& model, QWidget* parent);

QFont ToQFont(const ui::Font& font);
QColor ToQColor(uint32_t rgb);
// The contrast of two colours as the accessibility guidelines measure it: 1 (the same
// luminance) to 21 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);
// Black or white, whichever reads better on the colour.
QColor ContrastingColour(const QColor& on);
// The classic virtual-key code of a Qt key, 0 for keys the models do not know.
int VirtualKey(int qtKey);

}  // namespace bx::view
