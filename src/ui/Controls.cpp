#include "ui/Controls.h"

#include <algorithm>
#include <exception>

#include "core/Bytes.h"
#include "ui/EventLoop.h"

namespace bx::ui {

// ---- event plumbing ----------------------------------------------------------------

namespace {
int g_depth = 0;
std::function<void(const std::string&)> g_display;
}  // namespace

void SetExceptionDisplay(std::function<void(const std::string&)> display) { g_display = std::move(display); }

void ShowException(const std::string& message) {
  if (g_display) g_display(message);
}

void RunAsNestedLoop(const std::function<void()>& body) {
  struct Depth {
    int saved = g_depth;
    Depth() { g_depth = 0; }
    ~Depth() { g_depth = saved; }
  } depth;
  body();
}

void Invoke(const std::function<void()>& handler) {
  if (!handler) return;
  if (g_depth > 0) {
    handler();
    return;
  }
  struct Depth {
    Depth() { ++g_depth; }
    ~Depth() { --g_depth; }
  } depth;
  try {
    handler();
  } catch (const std::exception& e) {
    ShowException(e.what());
  } catch (...) {
    ShowException("");
  }
}

int Signal::Connect(Fn fn) {
  slots_.emplace_back(next_, std::move(fn));
  return next_++;
}

void Signal::Disconnect(int id) {
  slots_.erase(std::remove_if(slots_.begin(), slots_.end(), [&](const auto& s) { return s.first == id; }),
               slots_.end());
}

void Signal::Emit() const {
  for (const auto& s : slots_) s.second();
}

// ---- base --------------------------------------------------------------------------

TControl::TControl(std::string kind, std::string name, TControl* parent)
    : kind_(std::move(kind)), name_(std::move(name)), parent_(parent) {
  if (parent_) parent_->children_.push_back(this);
}

TControl::~TControl() {
  if (parent_) {
    auto& c = parent_->children_;
    c.erase(std::remove(c.begin(), c.end(), this), c.end());
  }
  for (TControl* child : children_) child->parent_ = nullptr;
}

TForm* TControl::Form() const {
  const TControl* c = this;
  while (c->parent_) c = c->parent_;
  return dynamic_cast<TForm*>(const_cast<TControl*>(c));
}

void TControl::SetEnabled(bool v) {
  if (enabled_ == v) return;
  enabled_ = v;
  Notify();
}

void TControl::SetVisible(bool v) {
  if (visible_ == v) return;
  visible_ = v;
  Notify();
}

bool TControl::Showing() const {
  for (const TControl* c = this; c; c = c->parent_) {
    if (!c->visible_) return false;
    if (auto* tab = dynamic_cast<const TTabSheet*>(c); tab && !tab->TabVisible()) return false;
  }
  return true;
}

bool TControl::Usable() const {
  for (const TControl* c = this; c; c = c->parent_)
    if (!c->enabled_) return false;
  return Showing();
}

void TControl::SetBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Notify();
}

void TControl::SetFontStyle(const FontStyle& s) {
  if (font.style == s) return;
  font.style = s;
  Notify();
}

void TControl::SetFocus() {
  if (TForm* f = Form()) f->SetActiveControl(this);
}

bool TControl::Focused() const {
  TForm* f = Form();
  return f && f->ActiveControl() == this;
}

void TControl::KeyDown(KeyEvent& e) {
  if (OnKeyDown) Invoke([&] { OnKeyDown(e); });
}

void TCaptioned::SetCaption(const std::string& c) {
  if (caption_ == c) return;
  caption_ = c;
  Notify();
}

// ---- simple controls ---------------------------------------------------------------

TLabel::TLabel(std::string name, TControl* parent, std::string caption) : TCaptioned("Label", std::move(name), parent) {
  SetCaption(caption);
}
void TLabel::Click() {
  if (Usable()) Invoke(OnClick);
}
void TLabel::MouseEnter() { Invoke(OnMouseEnter); }
void TLabel::MouseLeave() { Invoke(OnMouseLeave); }

TButton::TButton(std::string name, TControl* parent, std::string caption)
    : TCaptioned("Button", std::move(name), parent) {
  SetCaption(caption);
}
void TButton::Click() {
  if (Usable()) Invoke(OnClick);
}

TGroupBox::TGroupBox(std::string name, TControl* parent, std::string caption)
    : TCaptioned("GroupBox", std::move(name), parent) {
  SetCaption(caption);
}

TPanel::TPanel(std::string name, TControl* parent) : TControl("Panel", std::move(name), parent) {}

// ---- text --------------------------------------------------------------------------

namespace {
// Rewrites remembered per text; a follower that falls further behind reads it all again.
constexpr std::size_t kRewritesKept = 256;

bool EndsWithCrLf(const std::string& t) { return t.size() >= 2 && t.compare(t.size() - 2, 2, "\r\n") == 0; }
}  // namespace

void TTextControl::Edited(std::size_t kept, std::size_t oldSize, int caret) {
  ++revision_;
  if (kept < oldSize) {
    while (!rewrites_.empty() && rewrites_.back().second >= kept) rewrites_.pop_back();
    rewrites_.emplace_back(revision_, kept);
    if (rewrites_.size() > kRewritesKept) {
      forgottenUpTo_ = rewrites_.front().first;
      rewrites_.pop_front();
    }
  }
  selStart_ = std::clamp(caret, 0, static_cast<int>(text_.size()));
  selLength_ = 0;
  Notify();
  Invoke(OnChange);
}

std::size_t TTextControl::KeptSince(uint64_t revision, std::size_t length) const {
  length = std::min(length, text_.size());
  if (revision >= revision_) return length;
  if (revision < forgottenUpTo_) return 0;
  const auto after = std::upper_bound(rewrites_.begin(), rewrites_.end(), revision,
                                      [](uint64_t r, const auto& entry) { return r < entry.first; });
  return after == rewrites_.end() ? length : std::min(length, after->second);
}

void TTextControl::ReplaceText(std::string t, int caret) {
  const std::size_t oldSize = text_.size();
  const auto kept = static_cast<std::size_t>(
      std::mismatch(text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(std::min(oldSize, t.size())), t.begin())
          .first -
      text_.begin());
  text_ = std::move(t);
  Edited(kept, oldSize, caret);
}

void TTextControl::EditText(std::size_t from, std::size_t count, std::string with, int caret) {
  const std::size_t oldSize = text_.size();
  from = std::min(from, oldSize);
  text_.replace(from, count, with);
  Edited(from, oldSize, caret);
}

void TTextControl::SetText(const std::string& t) {
  if (t == text_) return;
  // As a window's text is set: the caret goes to the start.
  ReplaceText(t, 0);
}

void TTextControl::SetSel(int start, int length) {
  const int n = static_cast<int>(text_.size());
  selStart_ = std::clamp(start, 0, n);
  selLength_ = std::clamp(length, 0, n - selStart_);
  Notify();
}

void TTextControl::SelectAll() { SetSel(0, static_cast<int>(text_.size())); }

std::string TTextControl::SelText() const {
  return text_.substr(static_cast<std::size_t>(selStart_), static_cast<std::size_t>(selLength_));
}

void TTextControl::SetSelText(const std::string& t) {
  const auto start = static_cast<std::size_t>(selStart_);
  const auto length = static_cast<std::size_t>(selLength_);
  const int caret = selStart_ + static_cast<int>(t.size());
  if (text_.compare(start, length, t) == 0) {
    SetSel(caret, 0);
    return;
  }
  EditText(start, length, t, caret);
}

TEdit::TEdit(std::string name, TControl* parent) : TTextControl("Edit", std::move(name), parent) {}

void TEdit::SetPasswordChar(char c) {
  if (passwordChar_ == c) return;
  passwordChar_ = c;
  Notify();
}

void TEdit::SetColor(uint32_t c) {
  if (color_ == c) return;
  color_ = c;
  Notify();
}

void TEdit::UserType(const std::string& t) {
  if (ReadOnly || !Usable()) return;
  std::string s = t;
  if (MaxLength > 0 && static_cast<int>(s.size()) > MaxLength) s.resize(static_cast<std::size_t>(MaxLength));
  Invoke([&] { SetText(s); });
}

TMemo::TMemo(std::string name, TControl* parent) : TTextControl("Memo", std::move(name), parent) { ReadOnly = true; }

void TMemo::IndexLines() const {
  const std::string& t = Text();
  if (indexedRevision_ == Revision() && indexedLength_ == t.size()) return;
  // A line start up to `kept` follows a CR LF that is still there; one beyond it may not.
  const std::size_t kept = KeptSince(indexedRevision_, indexedLength_);
  while (!lineStarts_.empty() && lineStarts_.back() > kept) lineStarts_.pop_back();
  for (std::size_t p = t.find("\r\n", kept > 0 ? kept - 1 : 0); p != std::string::npos; p = t.find("\r\n", p + 2))
    lineStarts_.push_back(p + 2);
  indexedRevision_ = Revision();
  indexedLength_ = t.size();
}

int TMemo::LineIndex(int i) const {
  if (i < 0) return -1;
  if (i == 0) return 0;
  IndexLines();
  const auto k = static_cast<std::size_t>(i - 1);
  return k < lineStarts_.size() ? static_cast<int>(lineStarts_[k]) : -1;
}

std::size_t TMemo::LineEnd(int i) const {
  IndexLines();
  const auto k = static_cast<std::size_t>(i);
  return k < lineStarts_.size() ? lineStarts_[k] - 2 : std::string::npos;
}

int TMemo::LineCount() const {
  const std::string& t = Text();
  if (t.empty()) return 0;
  IndexLines();
  // An empty last line (the text ends in CR LF) is not counted.
  const int n = 1 + static_cast<int>(lineStarts_.size());
  return !lineStarts_.empty() && lineStarts_.back() == t.size() ? n - 1 : n;
}

std::string TMemo::Line(int i) const {
  if (i < 0 || i >= LineCount()) return {};
  const auto start = static_cast<std::size_t>(LineIndex(i));
  const std::size_t end = LineEnd(i);
  return Text().substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// One pass over the text: Line(i) for every i would scan it from the start each time.
std::vector<std::string> TMemo::Lines() const { return SplitCrLf(Text()); }

// Appended in place: a log grows by its line, whatever its length.
void TMemo::AddLine(const std::string& s) {
  const std::string& t = Text();
  const std::size_t size = t.size();
  std::string added = t.empty() || EndsWithCrLf(t) ? s + "\r\n" : "\r\n" + s;
  const int caret = static_cast<int>(size + added.size());
  EditText(size, 0, std::move(added), caret);
}

void TMemo::InsertLine(int index, const std::string& s) {
  if (index >= LineCount()) {
    AddLine(s);
    return;
  }
  const int at = LineIndex(index);
  if (at < 0) return;
  EditText(static_cast<std::size_t>(at), 0, s + "\r\n", at + static_cast<int>(s.size()) + 2);
}

void TMemo::DeleteLine(int index) {
  if (index < 0 || index >= LineCount()) return;
  const auto start = static_cast<std::size_t>(LineIndex(index));
  const std::size_t end = LineEnd(index);
  if (end == std::string::npos) {
    // The last line has no line end of its own: take the one before it.
    const std::size_t from = start >= 2 ? start - 2 : 0;
    EditText(from, std::string::npos, {}, static_cast<int>(start));
  } else {
    EditText(start, end + 2 - start, {}, static_cast<int>(start));
  }
}

void TMemo::SetLine(int index, const std::string& s) {
  if (index < 0 || index >= LineCount()) return;
  const auto start = static_cast<std::size_t>(LineIndex(index));
  const std::size_t end = LineEnd(index);
  const std::size_t length = (end == std::string::npos ? Text().size() : end) - start;
  if (Text().compare(start, length, s) == 0) return;
  EditText(start, length, s, static_cast<int>(start + s.size()));
}

void TMemo::SetLayout(ScrollBars scroll, bool wordWrap) {
  if (Scroll == scroll && WordWrap == wordWrap) return;
  Scroll = scroll;
  WordWrap = wordWrap;
  Notify();
}

void TMemo::BeginUpdate() {
  ++updating_;
  if (updating_ == 1) Notify();
}

void TMemo::EndUpdate() {
  if (updating_ == 0) return;
  if (--updating_ == 0) Notify();
}

// ---- choices -----------------------------------------------------------------------

TCheckBox::TCheckBox(std::string name, TControl* parent, std::string caption)
    : TCaptioned("CheckBox", std::move(name), parent) {
  SetCaption(caption);
}

void TCheckBox::SetChecked(bool v) {
  if (checked_ == v) return;
  checked_ = v;
  Notify();
  Invoke(OnClick);
}

void TCheckBox::Click() {
  if (Usable()) Invoke([&] { SetChecked(!checked_); });
}

TRadioButton::TRadioButton(std::string name, TControl* parent, std::string caption)
    : TCaptioned("RadioButton", std::move(name), parent) {
  SetCaption(caption);
}

void TRadioButton::SetChecked(bool v) {
  if (checked_ == v) return;
  checked_ = v;
  Notify();
  if (v) Invoke(OnClick);
}

void TRadioButton::Click() {
  if (!Usable()) return;
  // A click on the checked button clicks again; on another it checks it, which clicks.
  Invoke([&] {
    if (!checked_)
      SetChecked(true);
    else if (OnClick)
      OnClick();
  });
}

TRadioGroup::TRadioGroup(std::string name, TControl* parent, std::string caption, std::vector<std::string> items)
    : TCaptioned("RadioGroup", std::move(name), parent), items_(std::move(items)) {
  SetCaption(caption);
}

void TRadioGroup::SetItemIndex(int i) {
  if (i < -1 || i >= static_cast<int>(items_.size())) i = -1;
  if (i == index_) return;
  index_ = i;
  Notify();
  if (i >= 0) Invoke(OnClick);
}

void TRadioGroup::UserSelect(int i) {
  if (!Usable()) return;
  Invoke([&] { SetItemIndex(i); });
}

TComboBox::TComboBox(std::string name, TControl* parent, Style s)
    : TControl("ComboBox", std::move(name), parent), style(s) {}

void TComboBox::AddItem(const std::string& s) {
  items_.push_back(s);
  Notify();
}

void TComboBox::ClearItems() {
  if (items_.empty() && index_ < 0) return;
  items_.clear();
  index_ = -1;
  Notify();
}

void TComboBox::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  index_ = -1;
  Notify();
}

void TComboBox::SetItemIndex(int i) {
  if (i < -1 || i >= static_cast<int>(items_.size())) i = -1;
  if (i == index_) return;
  index_ = i;
  Notify();
}

std::string TComboBox::Text() const { return index_ < 0 ? std::string() : items_[static_cast<std::size_t>(index_)]; }

void TComboBox::UserSelect(int i) {
  if (!Usable()) return;
  SetItemIndex(i);
  Invoke([&] {
    if (OnClick) OnClick();
    if (OnChange) OnChange();
  });
}

// ---- list view ---------------------------------------------------------------------

void TListItem::SetCaption(const std::string& c) {
  caption_ = c;
  owner_->ItemChanged();
}

void TListItem::AddSubItem(const std::string& s) {
  subItems_.push_back(s);
  owner_->ItemChanged();
}

void TListItem::SetSubItem(int i, const std::string& s) {
  if (i < 0) return;
  if (static_cast<int>(subItems_.size()) <= i) subItems_.resize(static_cast<std::size_t>(i) + 1);
  subItems_[static_cast<std::size_t>(i)] = s;
  owner_->ItemChanged();
}

void TListItem::SetStateIndex(int i) {
  if (stateIndex_ == i) return;
  stateIndex_ = i;
  owner_->ItemChanged();
}

void TListItem::SetSelected(bool v) {
  if (selected_ == v) return;
  owner_->SelectionChanging(this, v);
}

bool TListItem::Focused() const { return owner_->focused_ == this; }

void TListItem::SetFocused(bool v) {
  if (v)
    owner_->focused_ = this;
  else if (owner_->focused_ == this)
    owner_->focused_ = nullptr;
  owner_->ItemChanged();
}

void TListItem::MakeVisible() {
  owner_->madeVisible_ = Index();
  owner_->ItemChanged();
}

int TListItem::Index() const {
  for (int i = 0; i < owner_->Count(); ++i)
    if (&owner_->Item(i) == this) return i;
  return -1;
}

TListView::TListView(std::string name, TControl* parent, std::vector<TListColumn> columns)
    : TControl("ListView", std::move(name), parent), Columns(std::move(columns)) {}

TListItem& TListView::Add() {
  items_.push_back(std::make_unique<TListItem>(this));
  Notify();
  return *items_.back();
}

void TListView::Clear() {
  if (items_.empty()) return;
  items_.clear();
  focused_ = nullptr;
  madeVisible_ = -1;
  Notify();
}

void TListView::Delete(int i) {
  if (i < 0 || i >= Count()) return;
  TListItem* it = items_[static_cast<std::size_t>(i)].get();
  if (it->selected_) SelectionChanging(it, false);
  if (focused_ == it) focused_ = nullptr;
  items_.erase(items_.begin() + i);
  Notify();
}

TListItem* TListView::Selected() {
  for (auto& it : items_)
    if (it->selected_) return it.get();
  return nullptr;
}

void TListView::SelectionChanging(TListItem* item, bool selected) {
  if (selected) {
    for (auto& other : items_) {
      if (other.get() != item && other->selected_) {
        other->selected_ = false;
        Notify();
        if (OnSelectItem) Invoke([&] { OnSelectItem(other.get(), false); });
      }
    }
  }
  item->selected_ = selected;
  if (selected) focused_ = item;
  Notify();
  if (OnSelectItem) Invoke([&] { OnSelectItem(item, selected); });
}

void TListView::CustomSort(const std::function<int(const TListItem&, const TListItem&)>& compare) {
  std::stable_sort(items_.begin(), items_.end(), [&](const auto& a, const auto& b) { return compare(*a, *b) < 0; });
  Notify();
}

void TListView::SetSortArrow(int column, bool descending) {
  if (column == sortArrowColumn_ && descending == sortArrowDescending_) return;
  sortArrowColumn_ = column;
  sortArrowDescending_ = descending;
  Notify();
}

void TListView::ColumnClick(int column) {
  if (Usable() && OnColumnClick) Invoke([&] { OnColumnClick(column); });
}

void TListView::DblClick() {
  if (Usable()) Invoke(OnDblClick);
}

void TListView::MouseUp() {
  if (Usable()) Invoke(OnMouseUp);
}

void TListView::UserSelect(int index) {
  if (!Usable()) return;
  Invoke([&] {
    if (index < 0 || index >= Count()) {
      if (TListItem* s = Selected()) s->SetSelected(false);
    } else {
      Item(index).SetSelected(true);
    }
  });
}

// ---- other controls ----------------------------------------------------------------

TProgressBar::TProgressBar(std::string name, TControl* parent) : TControl("ProgressBar", std::move(name), parent) {}

void TProgressBar::SetMax(int m) {
  max_ = m;
  pos_ = std::clamp(pos_, min_, std::max(min_, max_));
  Notify();
}

void TProgressBar::SetPosition(int p) {
  p = std::clamp(p, min_, std::max(min_, max_));
  if (p == pos_) return;
  pos_ = p;
  Notify();
}

void TProgressBar::SetStyle(Style s) {
  if (style_ == s) return;
  style_ = s;
  Notify();
}

TShape::TShape(std::string name, TControl* parent, bool circle)
    : TControl("Shape", std::move(name), parent), Circle(circle) {}

void TShape::SetBrushColor(uint32_t c) {
  if (brush_ == c) return;
  brush_ = c;
  Notify();
}

TImage::TImage(std::string name, TControl* parent) : TControl("Image", std::move(name), parent) {}

TTabSheet::TTabSheet(std::string name, TControl* parent, std::string caption)
    : TCaptioned("TabSheet", std::move(name), parent) {
  SetCaption(caption);
  if (auto* pc = dynamic_cast<TPageControl*>(parent)) pc->AddPage(this);
}

void TTabSheet::SetTabVisible(bool v) {
  if (tabVisible_ == v) return;
  tabVisible_ = v;
  Notify();
  if (auto* pc = dynamic_cast<TPageControl*>(Parent())) pc->TabVisibilityChanged(this);
}

TPageControl::TPageControl(std::string name, TControl* parent) : TControl("PageControl", std::move(name), parent) {}

void TPageControl::AddPage(TTabSheet* page) {
  if (std::find(pages_.begin(), pages_.end(), page) != pages_.end()) return;
  pages_.push_back(page);
  if (active_ < 0) active_ = 0;
  Notify();
}

void TPageControl::SetActivePage(TTabSheet* page) {
  for (std::size_t i = 0; i < pages_.size(); ++i)
    if (pages_[i] == page) SetActivePageIndex(static_cast<int>(i));
}

void TPageControl::SetActivePageIndex(int i) {
  if (i < 0 || i >= static_cast<int>(pages_.size()) || i == active_) return;
  active_ = i;
  Notify();
}

void TPageControl::UserSelect(int i) {
  if (!Usable() || i < 0 || i >= static_cast<int>(pages_.size()) || !pages_[static_cast<std::size_t>(i)]->TabVisible())
    return;
  if (i == active_) return;
  SetActivePageIndex(i);
  Invoke(OnChange);
}

void TPageControl::TabVisibilityChanged(TTabSheet* page) {
  if (page->TabVisible() || ActivePage() != page) {
    Notify();
    return;
  }
  const int n = static_cast<int>(pages_.size());
  for (int k = 1; k < n; ++k) {
    const int j = (active_ + k) % n;
    if (pages_[static_cast<std::size_t>(j)]->TabVisible()) {
      active_ = j;
      break;
    }
  }
  Notify();
}

// ---- timer -------------------------------------------------------------------------

TTimer::TTimer(std::string name, int interval, bool enabled)
    : name_(std::move(name)), interval_(interval), enabled_(enabled) {
  Restart();
}

TTimer::~TTimer() {
  if (loop_) loop_->Unschedule(this);
}

void TTimer::Restart() {
  if (loop_) loop_->Unschedule(this);
  loop_ = EventLoop::Current();
  if (loop_ && Running()) loop_->Schedule(this, loop_->NowMs() + interval_);
}

void TTimer::SetInterval(int ms) {
  interval_ = ms;
  Restart();
}

void TTimer::SetEnabled(bool v) {
  enabled_ = v;
  Restart();
}

void TTimer::Fire() {
  if (!Running()) return;
  // Reschedule first: the handler may stop or restart the timer.
  if (loop_) loop_->Schedule(this, loop_->NowMs() + interval_);
  Invoke(OnTimer);
}

// ---- form --------------------------------------------------------------------------

TForm::TForm(std::string name) : TCaptioned("Form", std::move(name), nullptr) {}

// A view may have lost the focus the model still holds (a toolkit drops it from a control
// that is disabled or hidden for a while): a request for the focused control is passed on
// all the same.
void TForm::SetActiveControl(TControl* c) {
  active_ = c;
  FocusChanged.Emit();
}

static void Collect(const TControl* c, std::vector<TControl*>& out) {
  for (TControl* child : c->Children()) {
    out.push_back(child);
    Collect(child, out);
  }
}

std::vector<TControl*> TForm::AllControls() const {
  std::vector<TControl*> out;
  Collect(this, out);
  return out;
}

TControl* TForm::FindControl(const std::string& name) const {
  for (TControl* c : AllControls())
    if (c->Name() == name) return c;
  return nullptr;
}

}  // namespace bx::ui
