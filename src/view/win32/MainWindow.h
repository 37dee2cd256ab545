#pragma once
// The real window over the main window model: a fixed 714 x 424 client area with a
// fixed border and no maximise box, one native control per control model, the model's
// caption as the title, its position kept in step, and closing through the model's close
// sequence.
#include <memory>
#include <vector>

#include "window/Unitmain.h"
#include "view/win32/Binding.h"

namespace bx::view {

class MainWindow {
 public:
  // The model must outlive the window. driver: nullptr runs user actions directly.
  MainWindow(TfrmMain& form, LoopDriver* driver);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  HWND Hwnd() const { return hwnd_; }
  // The control that shows a model, or nullptr.
  HWND HwndFor(const ui::TControl& control) const;
  // Runs the model's FormShow, places the window (its saved position, or centred on the
  // work area) and shows it.
  void ShowWindow();
  // A message from the loop before it is dispatched: the models' keys (Enter, Ctrl+A,
  // Ctrl+C, Ctrl+P...), Ctrl+Tab and the dialog keys (Tab, Alt+letter on the buttons).
  // True when it was handled.
  bool PreTranslate(MSG& msg);
  // After each message: a focus the user moved is told to the model.
  void FocusFromWindow();

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void Build(ui::TControl& model, HWND parent);
  void ApplyTabOrder(const ui::TControl& parent);
  bool KeyToModel(Binding& b, const MSG& msg);
  void TurnPage(int step);
  void FocusFromModel();
  bool PlaceRestored();
  void Destroyed();

  TfrmMain& form_;
  ViewContext ctx_;
  HWND hwnd_ = nullptr;
  std::vector<std::unique_ptr<Binding>> bindings_;
  HWND focus_ = nullptr;
  int captionConnection_ = 0;
  int focusConnection_ = 0;
};

}  // namespace bx::view
