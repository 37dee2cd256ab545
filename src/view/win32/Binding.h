#pragma once
// One native control per control model. A binding creates its control, shows the
// model's state in it whenever the model says it changed, and hands the user's input to
// the model's user methods (Click, UserType, UserSelect, KeyDown...). It holds no
// behaviour of its own: after every user action it shows what the model made of it.
//
// Native controls report to their parent window (WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*);
// every parent here is one of the view's container windows, which hand the message to
// the binding of the control that sent it.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "ui/Controls.h"
#include "view/win32/WinApi.h"

namespace bx::view {

class Binding;
class LoopDriver;

// GDI objects the bindings share, made once and deleted with the window.
class GdiCache {
 public:
  GdiCache() = default;
  ~GdiCache();
  GdiCache(const GdiCache&) = delete;
  GdiCache& operator=(const GdiCache&) = delete;
  HFONT Font(const ui::Font& font);
  HBRUSH Brush(uint32_t rgb);

 private:
  std::map<std::tuple<std::string, int, bool, bool, bool>, HFONT> fonts_;
  std::map<uint32_t, HBRUSH> brushes_;
};

// What the bindings of one window share.
struct ViewContext {
  LoopDriver* driver = nullptr;  // nullptr: user actions run directly
  HINSTANCE instance = nullptr;
  GdiCache gdi;
  HIMAGELIST stateImages = nullptr;  // image 0 is blank, state image i is image i + 1
  std::map<HWND, Binding*> byWindow;
  std::map<const ui::TControl*, Binding*> byModel;
  // Each button's Alt letter (ui::ChooseAccessKeys), unique among the buttons seen
  // together; the caption carries it as "&" where it holds the letter.
  std::map<const ui::TControl*, char> accessKeys;
  // Runs a user action on the models; handlers started by it never overlap a timer's.
  void User(const std::function<void()>& action);
  Binding* Find(HWND hwnd) const;
  Binding* Find(const ui::TControl* model) const;
};

COLORREF ToColorRef(uint32_t rgb);
std::string WindowText(HWND hwnd);

class Binding {
 public:
  Binding(ViewContext& ctx, ui::TControl& model, HWND hwnd);
  virtual ~Binding();
  Binding(const Binding&) = delete;
  Binding& operator=(const Binding&) = delete;

  ui::TControl& Model() const { return model_; }
  HWND Hwnd() const { return hwnd_; }
  // The window that holds the children of this control.
  virtual HWND ChildParent() const { return hwnd_; }
  // Shows the model's whole state.
  void Refresh();
  // Enables the control as the model and its parents allow, and its children after it.
  void RefreshEnabled();
  // Forgets the window: it is being destroyed; model changes are no longer shown.
  void Detach();

  // What the control tells its parent: a WM_COMMAND notification from `from` (the
  // control itself or a part of it), a WM_NOTIFY, a colour request.
  virtual void Command(HWND /*from*/, WORD /*code*/) {}
  virtual LRESULT Notify(NMHDR* /*hdr*/) { return 0; }
  virtual HBRUSH Colour(HDC /*dc*/) { return nullptr; }
  // Before a key goes to the model: the control's own state (a selection) taken over.
  virtual void BeforeKey() {}
  // Enter on the focused control: a button is pressed, a row opened. Whether it did.
  virtual bool Activate() { return false; }

 protected:
  // The control's own state (caption, text, items...), shown before it is placed, so
  // that a label can size itself to its new caption.
  virtual void RefreshOwn() {}
  // The rectangle the control takes (in its parent's client coordinates).
  virtual RECT Bounds() const;
  // Tab pages are placed by their page control, not by their bounds.
  virtual bool PlacedByModel() const { return true; }
  // A user action, then the model's state shown again (it may refuse or alter the input).
  void User(const std::function<void()>& action);
  // Registers a window that belongs to this binding (a radio group's options).
  void Own(HWND part);
  void SetText(HWND hwnd, const std::string& text);

  ViewContext& ctx_;
  bool syncing_ = false;  // the binding itself is writing into the control

  // Sets syncing_ for the scope of a write into the control.
  struct Sync {
    explicit Sync(Binding& b) : b_(b), was_(b.syncing_) { b_.syncing_ = true; }
    ~Sync() { b_.syncing_ = was_; }
    Sync(const Sync&) = delete;
    Sync& operator=(const Sync&) = delete;
    Binding& b_;
    bool was_;
  };

 private:
  void RefreshPlacement();
  void RestoreFocus();
  ui::TControl& model_;
  HWND hwnd_;
  HFONT font_ = nullptr;
  int enabled_ = -1;  // as last shown: -1 not yet
  bool placed_ = false;
  RECT placedAt_{};
  int connection_ = 0;
};

// Creates the binding (and its control, a child of parent) for one control model.
std::unique_ptr<Binding> MakeBinding(ViewContext& ctx, ui::TControl& model, HWND parent);

// A child control of `parent` with the given class, style and text.
HWND CreateControl(ViewContext& ctx, const char* cls, DWORD style, DWORD exStyle, HWND parent,
                   const std::string& text = {});
// The view's own container window (pages, group boxes, panels): it hands its children's
// messages to their bindings.
HWND CreateContainer(ViewContext& ctx, HWND parent);
// The message handling every container shares; true when the message was handled.
bool ForwardToBindings(ViewContext& ctx, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

}  // namespace bx::view
