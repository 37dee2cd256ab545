#pragma once
// Control models: headless widgets with the classic desktop-toolkit semantics.
//
// - Setting a text, a check state or a radio group's index from code fires the same
//   change/click event the user's action would (only when the value really changes).
//   Setting a combo box's or page control's index from code fires nothing.
// - Every model change emits `Changed`, which the view (and tests) observe.
// - Events run through Invoke(): an exception escaping the outermost handler is shown
//   by the standard exception display and the program goes on.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace bx::ui {

class EventLoop;
class TForm;

// ---- event plumbing ----------------------------------------------------------------

// Runs an event handler. At the outermost level exceptions are caught and handed to the
// exception display; nested handlers (fired by code inside a handler) let them pass up.
void Invoke(const std::function<void()>& handler);
// The standard exception display; the application installs one (message box).
void SetExceptionDisplay(std::function<void(const std::string& message)> display);
void ShowException(const std::string& message);
// Runs `body` as a nested message loop runs: the handlers it fires count as outermost, so
// each shows its own exception and the loop goes on.
void RunAsNestedLoop(const std::function<void()>& body);

class Signal {
 public:
  using Fn = std::function<void()>;
  int Connect(Fn fn);
  void Disconnect(int id);
  void Emit() const;

 private:
  std::vector<std::pair<int, Fn>> slots_;
  int next_ = 1;
};

// Key codes with their classic virtual-key values.
namespace vk {
inline constexpr int Return = 13;
inline constexpr int Space = 32;
inline constexpr int Delete = 46;
inline constexpr int A = 'A';
inline constexpr int C = 'C';
inline constexpr int P = 'P';
}  // namespace vk

struct KeyEvent {
  int key = 0;  // set to 0 by a handler that consumed the key
  bool ctrl = false, shift = false, alt = false;
};

struct FontStyle {
  bool bold = false, italic = false, underline = false;
  bool operator==(const FontStyle&) const = default;
};

struct Font {
  std::string name = "MS Sans Serif";
  int height = -11;
  uint32_t color = 0x000000;  // RGB
  FontStyle style;
};

// Colours as 0xRRGGBB.
namespace clr {
inline constexpr uint32_t Black = 0x000000;
inline constexpr uint32_t White = 0xFFFFFF;
inline constexpr uint32_t Maroon = 0x800000;
inline constexpr uint32_t Purple = 0x800080;
inline constexpr uint32_t Gray = 0x808080;
inline constexpr uint32_t Lime = 0x00FF00;
inline constexpr uint32_t Red = 0xFF0000;
inline constexpr uint32_t Orange = 0xFFA500;
inline constexpr uint32_t Yellow = 0xFFFF00;
inline constexpr uint32_t Green = 0x008000;
inline constexpr uint32_t Window = 0xFFFFFF;     // editable field background
inline constexpr uint32_t BtnFace = 0xF0F0F0;    // read-only field background
inline constexpr uint32_t ScrollBar = 0xC8C8C8;  // the "no result" fill
inline constexpr uint32_t Refused = 0xFFD0D0;    // a field whose value is refused
}  // namespace clr

// ---- base --------------------------------------------------------------------------

class TControl {
 public:
  TControl(std::string kind, std::string name, TControl* parent);
  virtual ~TControl();
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  const std::string& Kind() const { return kind_; }
  const std::string& Name() const { return name_; }
  TControl* Parent() const { return parent_; }
  const std::vector<TControl*>& Children() const { return children_; }
  TForm* Form() const;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  // Visible and every parent visible (a hidden tab hides its controls).
  bool Showing() const;
  // Enabled and every parent enabled: whether the user can act on it.
  bool Usable() const;

  void SetBounds(int left, int top, int width, int height);
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetWidth(int w) { SetBounds(left_, top_, w, height_); }
  void SetHeight(int h) { SetBounds(left_, top_, width_, h); }

  std::string Hint;
  int Tag = 0;
  Font font;
  void SetFontStyle(const FontStyle& s);

  void SetFocus();
  bool Focused() const;

  // The user pressed a key while this control had the focus.
  void KeyDown(KeyEvent& e);
  std::function<void(KeyEvent&)> OnKeyDown;

  Signal Changed;  // any model change, for views

 protected:
  void Notify() { Changed.Emit(); }

 private:
  std::string kind_, name_;
  TControl* parent_;
  std::vector<TControl*> children_;
  bool enabled_ = true, visible_ = true;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
};

// A control that carries a caption (labels, buttons, check boxes, groups, tabs).
class TCaptioned : public TControl {
 public:
  using TControl::TControl;
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& c);

 private:
  std::string caption_;
};

class TLabel : public TCaptioned {
 public:
  TLabel(std::string name, TControl* parent, std::string caption = {});
  bool HandCursor = false;
  void Click();
  void MouseEnter();
  void MouseLeave();
  std::function<void()> OnClick, OnMouseEnter, OnMouseLeave;
};

class TButton : public TCaptioned {
 public:
  TButton(std::string name, TControl* parent, std::string caption = {});
  // A click by the user: runs OnClick only while the button can be used.
  void Click();
  std::function<void()> OnClick;
};

class TGroupBox : public TCaptioned {
 public:
  TGroupBox(std::string name, TControl* parent, std::string caption = {});
};

class TPanel : public TControl {
 public:
  TPanel(std::string name, TControl* parent);
};

// Text selection shared by edits and memos.
class TTextControl : public TControl {
 public:
  using TControl::TControl;
  const std::string& Text() const { return text_; }
  // Fires OnChange when the text really changes (a programmatic change counts).
  void SetText(const std::string& t);
  bool ReadOnly = false;
  std::function<void()> OnChange;

  int SelStart() const { return selStart_; }
  int SelLength() const { return selLength_; }
  void SetSel(int start, int length);
  void SelectAll();
  std::string SelText() const;
  // Replaces the selection (or inserts at the caret) and leaves the caret after it.
  void SetSelText(const std::string& t);

  // For followers of a growing text (the log views, the CLI's upload log): they look only
  // at what changed, so that following a log costs in proportion to what was added, not
  // to the whole log. Every change of the text moves Revision(). KeptSince(r, n) is how
  // many of the first n bytes that the text had at revision r are still there unchanged:
  // n itself when only appends came since. When r lies too many rewrites back it answers
  // 0, so the follower takes the whole text again.
  uint64_t Revision() const { return revision_; }
  std::size_t KeptSince(uint64_t revision, std::size_t length) const;

 protected:
  // The whole text becomes `t`, the caret goes to `caret`.
  void ReplaceText(std::string t, int caret);
  // `count` bytes from `from` on become `with` (an append when `from` is the end), the
  // caret goes to `caret`. Costs in proportion to `with` and the bytes after the edit.
  void EditText(std::size_t from, std::size_t count, std::string with, int caret);

 private:
  void Edited(std::size_t kept, std::size_t oldSize, int caret);

  std::string text_;
  int selStart_ = 0, selLength_ = 0;
  uint64_t revision_ = 0;
  // The changes that rewrote a part of the text (not appends), as the revision they made
  // and the bytes they kept at the start. Only entries that kept less than every later
  // one are needed, so the least kept since any revision is the first entry after it.
  std::deque<std::pair<uint64_t, std::size_t>> rewrites_;
  uint64_t forgottenUpTo_ = 0;  // rewrites up to this revision are no longer listed
};

class TEdit : public TTextControl {
 public:
  TEdit(std::string name, TControl* parent);
  int MaxLength = 0;  // 0: no limit
  char PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(char c);
  uint32_t Color() const { return color_; }
  void SetColor(uint32_t c);
  // Typing by the user: the text is cut to MaxLength, read-only fields refuse it.
  void UserType(const std::string& t);

 private:
  char passwordChar_ = 0;
  uint32_t color_ = clr::Window;
};

// A multi-line read-only log pane. The text is the window text: lines separated by CR LF.
class TMemo : public TTextControl {
 public:
  enum class ScrollBars { None, Vertical, Both };
  TMemo(std::string name, TControl* parent);
  ScrollBars Scroll = ScrollBars::Vertical;
  bool WordWrap = true;
  void SetLayout(ScrollBars scroll, bool wordWrap);

  // The lines view of the text, with the classic rules: an empty last line (text ending
  // in CR LF) is not counted.
  int LineCount() const;
  std::string Line(int i) const;  // "" beyond the last line
  std::vector<std::string> Lines() const;
  void AddLine(const std::string& s);
  void InsertLine(int index, const std::string& s);
  void DeleteLine(int index);
  void SetLine(int index, const std::string& s);
  void Clear() { SetText({}); }

  // Suspended line updates (the live pane batches repaints); the view waits for EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  bool Updating() const { return updating_ > 0; }

 private:
  // Byte offset of line i in the text, or -1 when there is no such line.
  int LineIndex(int i) const;
  // Offset of the CR LF that ends line i, or npos for a last line without one.
  std::size_t LineEnd(int i) const;
  // Brings the line index up to the text, scanning only what changed since it was built.
  void IndexLines() const;
  int updating_ = 0;
  // The start of every line after the first (the offset after each CR LF), for the text
  // as it was at indexedRevision_, when it was indexedLength_ bytes long.
  mutable std::vector<std::size_t> lineStarts_;
  mutable uint64_t indexedRevision_ = 0;
  mutable std::size_t indexedLength_ = 0;
};

class TCheckBox : public TCaptioned {
 public:
  TCheckBox(std::string name, TControl* parent, std::string caption = {});
  bool Checked() const { return checked_; }
  // Fires OnClick when the state changes, whether set by code or by the user.
  void SetChecked(bool v);
  void Click();  // the user toggles it
  std::function<void()> OnClick;

 private:
  bool checked_ = false;
};

class TRadioButton : public TCaptioned {
 public:
  TRadioButton(std::string name, TControl* parent, std::string caption = {});
  bool Checked() const { return checked_; }
  void SetChecked(bool v);
  void Click();  // the user selects it: checks it and runs OnClick
  std::function<void()> OnClick;

 private:
  bool checked_ = false;
};

class TRadioGroup : public TCaptioned {
 public:
  TRadioGroup(std::string name, TControl* parent, std::string caption, std::vector<std::string> items);
  const std::vector<std::string>& Items() const { return items_; }
  int ItemIndex() const { return index_; }
  // Fires OnClick when the index changes (a radio button checked by code clicks).
  void SetItemIndex(int i);
  void UserSelect(int i);
  std::function<void()> OnClick;

 private:
  std::vector<std::string> items_;
  int index_ = -1;
};

class TComboBox : public TControl {
 public:
  enum class Style { DropDown, DropDownList };
  TComboBox(std::string name, TControl* parent, Style style = Style::DropDownList);
  Style style;
  const std::vector<std::string>& Items() const { return items_; }
  void AddItem(const std::string& s);
  void ClearItems();
  void SetItems(std::vector<std::string> items);
  int ItemIndex() const { return index_; }
  void SetItemIndex(int i);  // no event, as from code
  std::string Text() const;  // the selected item's text, or "" with none
  // The user picks an item: OnClick, then OnChange.
  void UserSelect(int i);
  std::function<void()> OnClick, OnChange;

 private:
  std::vector<std::string> items_;
  int index_ = -1;
};

class TListView;

class TListItem {
 public:
  TListItem(TListView* owner) : owner_(owner) {}
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& c);
  const std::vector<std::string>& SubItems() const { return subItems_; }
  void AddSubItem(const std::string& s);
  void SetSubItem(int i, const std::string& s);  // extends with empty sub-items
  int StateIndex() const { return stateIndex_; }
  void SetStateIndex(int i);
  bool Selected() const { return selected_; }
  // Selecting one item deselects the others (single selection); each change fires the
  // list's OnSelectItem, the deselection first.
  void SetSelected(bool v);
  bool Focused() const;
  void SetFocused(bool v);
  void MakeVisible();
  int Index() const;
  TListView* Owner() const { return owner_; }
  // The owner's own tag for the item (which row of its model the item shows); sorting
  // keeps it with the item.
  std::uint64_t Data = 0;

 private:
  friend class TListView;
  TListView* owner_;
  std::string caption_;
  std::vector<std::string> subItems_;
  int stateIndex_ = -1;
  bool selected_ = false;
};

struct TListColumn {
  std::string caption;
  int width = 50;
  bool alignRight = false;
};

class TListView : public TControl {
 public:
  TListView(std::string name, TControl* parent, std::vector<TListColumn> columns = {});
  std::vector<TListColumn> Columns;
  bool ShowColumnHeaders = true;
  bool SmallIcons = false;  // icon view instead of report view (the legends)

  int Count() const { return static_cast<int>(items_.size()); }
  TListItem& Item(int i) { return *items_.at(static_cast<std::size_t>(i)); }
  const TListItem& Item(int i) const { return *items_.at(static_cast<std::size_t>(i)); }
  TListItem& Add();
  void Clear();
  void Delete(int i);
  TListItem* Selected();  // the selected item or nullptr
  TListItem* ItemFocused() { return focused_; }
  int TopVisible() const { return madeVisible_; }  // last item scrolled into view

  // Sorts with a compare function (negative: a before b); stable.
  void CustomSort(const std::function<int(const TListItem&, const TListItem&)>& compare);
  // The column whose header shows the sort arrow (-1: none) and the order it shows; set
  // by whoever sorts the list.
  int SortArrowColumn() const { return sortArrowColumn_; }
  bool SortArrowDescending() const { return sortArrowDescending_; }
  void SetSortArrow(int column, bool descending);

  // User actions.
  void ColumnClick(int column);
  void DblClick();
  void MouseUp();
  void UserSelect(int index);  // a click on a row (-1: on empty space)

  std::function<void(TListItem* item, bool selected)> OnSelectItem;
  std::function<void(int column)> OnColumnClick;
  std::function<void()> OnDblClick, OnMouseUp;

 private:
  friend class TListItem;
  void ItemChanged() { Notify(); }
  void SelectionChanging(TListItem* item, bool selected);
  std::vector<std::unique_ptr<TListItem>> items_;
  TListItem* focused_ = nullptr;
  int madeVisible_ = -1;
  int sortArrowColumn_ = -1;
  bool sortArrowDescending_ = false;
};

class TProgressBar : public TControl {
 public:
  enum class Style { Normal, Marquee };
  TProgressBar(std::string name, TControl* parent);
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return pos_; }
  void SetMax(int m);
  void SetPosition(int p);  // kept within Min..Max
  Style BarStyle() const { return style_; }
  void SetStyle(Style s);
  int MarqueeInterval = 10;
  bool Vertical = false;

 private:
  int min_ = 0, max_ = 100, pos_ = 0;
  Style style_ = Style::Normal;
};

class TShape : public TControl {
 public:
  TShape(std::string name, TControl* parent, bool circle = true);
  bool Circle;
  uint32_t BrushColor() const { return brush_; }
  void SetBrushColor(uint32_t c);
  uint32_t PenColor = clr::Gray;

 private:
  uint32_t brush_ = clr::White;
};

class TImage : public TControl {
 public:
  TImage(std::string name, TControl* parent);
  std::string Picture;  // encoded picture bytes (JPEG)
  bool Center = true;
};

class TTabSheet : public TCaptioned {
 public:
  TTabSheet(std::string name, TControl* parent, std::string caption);
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool v);

 private:
  bool tabVisible_ = true;
};

class TPageControl : public TControl {
 public:
  TPageControl(std::string name, TControl* parent);
  void AddPage(TTabSheet* page);
  const std::vector<TTabSheet*>& Pages() const { return pages_; }
  int ActivePageIndex() const { return active_; }
  TTabSheet* ActivePage() const { return active_ < 0 ? nullptr : pages_[static_cast<std::size_t>(active_)]; }
  // From code: no event.
  void SetActivePage(TTabSheet* page);
  void SetActivePageIndex(int i);
  // The user clicks a visible tab: OnChange after the switch.
  void UserSelect(int i);
  std::function<void()> OnChange;
  // A page whose tab is hidden while it is active hands over to the next visible one.
  void TabVisibilityChanged(TTabSheet* page);

 private:
  std::vector<TTabSheet*> pages_;
  int active_ = -1;
};

// A message-based timer of the main thread: Interval 0 or Enabled false stops it.
class TTimer {
 public:
  explicit TTimer(std::string name, int interval = 1000, bool enabled = true);
  ~TTimer();
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;
  const std::string& Name() const { return name_; }
  int Interval() const { return interval_; }
  void SetInterval(int ms);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  bool Running() const { return enabled_ && interval_ > 0; }
  std::function<void()> OnTimer;

  // Used by the event loop.
  void Fire();
  void Detach() { loop_ = nullptr; }
  // Attaches the timer to the current loop (timers declared before the loop exists).
  void Restart();

 private:
  std::string name_;
  int interval_;
  bool enabled_;
  EventLoop* loop_ = nullptr;
};

// A list of state images: the view draws them, the models only use their indexes.
class TImageList {
 public:
  explicit TImageList(std::string name) : name_(std::move(name)) {}
  std::vector<std::string> Images;  // resource names, index = state image
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
};

class TForm : public TCaptioned {
 public:
  explicit TForm(std::string name);
  int ClientWidth = 0, ClientHeight = 0;
  TControl* ActiveControl() const { return active_; }
  void SetActiveControl(TControl* c);
  Signal FocusChanged;
  // Every control of the form, for views and for lookup by name.
  std::vector<TControl*> AllControls() const;
  TControl* FindControl(const std::string& name) const;

 private:
  TControl* active_ = nullptr;
};

}  // namespace bx::ui
