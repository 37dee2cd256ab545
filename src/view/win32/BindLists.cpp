// Combo boxes and list views: report views with state images before the caption, and
// the small-icon legends painted by the view.
#include <algorithm>
#include <vector>

#include "view/win32/Bindings.h"
#include "view/win32/Painted.h"

namespace bx::view {

namespace {

class ComboBoxBinding : public Binding {
 public:
  ComboBoxBinding(ViewContext& ctx, ui::TComboBox& m, HWND parent)
      : Binding(ctx, m, CreateControl(ctx, "COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, parent)), m_(m) {}

  void Command(HWND, WORD code) override {
    if (code != CBN_SELCHANGE || syncing_) return;
    const int i = static_cast<int>(::SendMessageA(Hwnd(), CB_GETCURSEL, 0, 0));
    User([this, i] { m_.UserSelect(i); });
  }

 protected:
  void RefreshOwn() override {
    if (m_.Items() != shownItems_) {
      shownItems_ = m_.Items();
      ::SendMessageA(Hwnd(), CB_RESETCONTENT, 0, 0);
      for (const std::string& s : shownItems_)
        ::SendMessageA(Hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
      // Port descriptions are long: the open list may be wider than the box.
      ::SendMessageA(Hwnd(), CB_SETDROPPEDWIDTH, static_cast<WPARAM>(std::max(m_.Width(), WidestItem() + 24)), 0);
    }
    if (::SendMessageA(Hwnd(), CB_GETCURSEL, 0, 0) != m_.ItemIndex())
      ::SendMessageA(Hwnd(), CB_SETCURSEL, static_cast<WPARAM>(m_.ItemIndex()), 0);
  }
  // The control's height takes in its open list.
  RECT Bounds() const override {
    RECT r = Binding::Bounds();
    r.bottom += 200;
    return r;
  }

 private:
  int WidestItem() const {
    HDC dc = ::GetDC(Hwnd());
    HGDIOBJ old = ::SelectObject(dc, ctx_.gdi.Font(m_.font));
    int widest = 0;
    for (const std::string& s : shownItems_) {
      SIZE size{};
      ::GetTextExtentPoint32A(dc, s.data(), static_cast<int>(s.size()), &size);
      widest = std::max(widest, static_cast<int>(size.cx));
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(Hwnd(), dc);
    return widest;
  }

  ui::TComboBox& m_;
  std::vector<std::string> shownItems_;
};

// One row as shown: its texts, its state image and whether it is selected.
struct Row {
  std::vector<std::string> cells;
  int state = -1;
  bool selected = false;
  bool operator==(const Row&) const = default;
};

DWORD ListStyle(const ui::TListView& m) {
  DWORD style = LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP | LVS_REPORT;
  if (!m.ShowColumnHeaders) style |= LVS_NOCOLUMNHEADER;
  return style;
}

// A small-icon list is a legend: a few fixed items, each its state image and caption,
// flowing left to right and on to the next row. A native small-icon view lays out its
// items differently from one common-controls version to the next (some draw a one-row
// legend below its own bottom edge), so the view paints it.
class LegendBinding : public PaintedBinding {
 public:
  LegendBinding(ViewContext& ctx, ui::TListView& m, HWND parent)
      : PaintedBinding(ctx, m, parent, WS_EX_CLIENTEDGE), m_(m) {}

 protected:
  void Paint(HDC dc, const RECT& client) override {
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_WINDOW));
    HGDIOBJ oldFont = ::SelectObject(dc, ctx_.gdi.Font(m_.font));
    ::SetBkMode(dc, TRANSPARENT);
    // Legends are disabled lists: their captions are grey, their images as they are.
    ::SetTextColor(dc, ::GetSysColor(::IsWindowEnabled(Hwnd()) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    int iconW = 0, iconH = 0;
    if (ctx_.stateImages) ::ImageList_GetIconSize(ctx_.stateImages, &iconW, &iconH);
    TEXTMETRICA tm{};
    ::GetTextMetricsA(dc, &tm);
    const int rowH = std::max(iconH, static_cast<int>(tm.tmHeight)) + 2;
    const int pad = 3, gap = 12, width = client.right - client.left;
    // A legend lower than two rows shows its row in the middle, a taller one from the top.
    int y = client.bottom - client.top < 2 * rowH ? (client.bottom - client.top - rowH) / 2 : pad;
    int x = pad;
    for (int i = 0; i < m_.Count(); ++i) {
      const ui::TListItem& item = m_.Item(i);
      const std::string& text = item.Caption();
      SIZE size{};
      ::GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
      const int itemW = iconW + 4 + static_cast<int>(size.cx);
      if (x > pad && x + itemW > width - pad) {
        x = pad;
        y += rowH;
      }
      if (item.StateIndex() >= 0 && ctx_.stateImages)
        ::ImageList_Draw(ctx_.stateImages, item.StateIndex() + 1, dc, x, y + (rowH - iconH) / 2, ILD_TRANSPARENT);
      ::TextOutA(dc, x + iconW + 4, y + (rowH - static_cast<int>(size.cy)) / 2, text.data(),
                 static_cast<int>(text.size()));
      x += itemW + gap;
    }
    ::SelectObject(dc, oldFont);
  }

 private:
  ui::TListView& m_;
};

class ListViewBinding : public Binding {
 public:
  ListViewBinding(ViewContext& ctx, ui::TListView& m, HWND parent)
      : Binding(ctx, m, CreateControl(ctx, WC_LISTVIEWA, ListStyle(m), WS_EX_CLIENTEDGE, parent)), m_(m) {
    ListView_SetExtendedListViewStyle(Hwnd(), LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
    if (ctx.stateImages) ListView_SetImageList(Hwnd(), ctx.stateImages, LVSIL_SMALL);
  }

  LRESULT Notify(NMHDR* hdr) override {
    switch (hdr->code) {
      case LVN_COLUMNCLICK: {
        const int column = reinterpret_cast<NMLISTVIEW*>(hdr)->iSubItem;
        User([this, column] { m_.ColumnClick(column); });
        break;
      }
      case LVN_ITEMCHANGED:
        SelectionChanged(*reinterpret_cast<NMLISTVIEW*>(hdr));
        break;
      case NM_DBLCLK:
        User([this] { m_.DblClick(); });
        break;
      case NM_CLICK:
        User([this] { m_.MouseUp(); });
        break;
      default:
        break;
    }
    return 0;
  }
  // Enter on a row does what a double click on it does (after the list's own keys).
  bool Activate() override {
    if (!m_.OnDblClick || !m_.Selected()) return false;
    User([this] { m_.DblClick(); });
    return true;
  }

 protected:
  void RefreshOwn() override {
    RefreshColumns();
    RefreshRows();
    if (m_.TopVisible() != madeVisible_) {
      madeVisible_ = m_.TopVisible();
      if (madeVisible_ >= 0 && madeVisible_ < m_.Count()) ListView_EnsureVisible(Hwnd(), madeVisible_, FALSE);
    }
  }

 private:
  void SelectionChanged(const NMLISTVIEW& n) {
    if (syncing_ || !(n.uChanged & LVIF_STATE)) return;
    const bool was = (n.uOldState & LVIS_SELECTED) != 0, is = (n.uNewState & LVIS_SELECTED) != 0;
    if (was == is) return;
    // Moving the selection deselects the old row first: only a list left without a
    // selection is a click on empty space.
    if (is)
      User([this, i = n.iItem] { m_.UserSelect(i); });
    else if (ListView_GetSelectedCount(Hwnd()) == 0)
      User([this] { m_.UserSelect(-1); });
  }

  void RefreshColumns() {
    const int n = static_cast<int>(m_.Columns.size());
    while (shownColumns_ > n) ListView_DeleteColumn(Hwnd(), --shownColumns_);
    for (int c = 0; c < n; ++c) {
      const ui::TListColumn& col = m_.Columns[static_cast<std::size_t>(c)];
      std::string caption = col.caption;
      LVCOLUMNA lc{};
      lc.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
      lc.fmt = col.alignRight && c > 0 ? LVCFMT_RIGHT : LVCFMT_LEFT;
      lc.cx = col.width;
      lc.pszText = caption.data();
      if (c >= shownColumns_) {
        ::SendMessageA(Hwnd(), LVM_INSERTCOLUMNA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&lc));
        ++shownColumns_;
      } else if (static_cast<std::size_t>(c) >= widths_.size() || widths_[static_cast<std::size_t>(c)] != col.width ||
                 captions_[static_cast<std::size_t>(c)] != col.caption) {
        // The design's widths are applied when they change; the user may drag in between.
        ::SendMessageA(Hwnd(), LVM_SETCOLUMNA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&lc));
      }
    }
    widths_.clear();
    captions_.clear();
    for (const ui::TListColumn& col : m_.Columns) {
      widths_.push_back(col.width);
      captions_.push_back(col.caption);
    }
    RefreshSortArrow();
  }

  void RefreshSortArrow() {
    HWND header = ListView_GetHeader(Hwnd());
    for (int c = 0; c < shownColumns_; ++c) {
      HDITEMA item{};
      item.mask = HDI_FORMAT;
      ::SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&item));
      int fmt = item.fmt & ~(HDF_SORTUP | HDF_SORTDOWN);
      if (c == m_.SortArrowColumn()) fmt |= m_.SortArrowDescending() ? HDF_SORTDOWN : HDF_SORTUP;
      if (fmt == item.fmt) continue;
      item.fmt = fmt;
      ::SendMessageA(header, HDM_SETITEMA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&item));
    }
  }

  Row RowOf(const ui::TListItem& it) const {
    Row row;
    row.cells.push_back(it.Caption());
    const std::size_t cols = m_.Columns.size();
    for (std::size_t c = 1; c < cols; ++c)
      row.cells.push_back(c - 1 < it.SubItems().size() ? it.SubItems()[c - 1] : "");
    row.state = it.StateIndex();
    row.selected = it.Selected();
    return row;
  }

  void RefreshRows() {
    const int count = m_.Count();
    while (static_cast<int>(shown_.size()) > count) {
      ListView_DeleteItem(Hwnd(), static_cast<int>(shown_.size()) - 1);
      shown_.pop_back();
    }
    for (int r = 0; r < count; ++r) {
      Row row = RowOf(m_.Item(r));
      const bool isNew = r >= static_cast<int>(shown_.size());
      if (!isNew && shown_[static_cast<std::size_t>(r)] == row) continue;
      ShowRow(r, row, isNew ? nullptr : &shown_[static_cast<std::size_t>(r)]);
      if (isNew)
        shown_.push_back(std::move(row));
      else
        shown_[static_cast<std::size_t>(r)] = std::move(row);
    }
  }

  void ShowRow(int r, Row& row, const Row* old) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = r;
    item.pszText = row.cells[0].data();
    // No state image: no image at all (a fully transparent one draws black).
    item.iImage = row.state >= 0 ? row.state + 1 : I_IMAGENONE;
    ::SendMessageA(Hwnd(), old ? LVM_SETITEMA : LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    for (std::size_t c = 1; c < row.cells.size(); ++c) {
      if (old && c < old->cells.size() && old->cells[c] == row.cells[c]) continue;
      LVITEMA sub{};
      sub.iSubItem = static_cast<int>(c);
      sub.pszText = row.cells[c].data();
      ::SendMessageA(Hwnd(), LVM_SETITEMTEXTA, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(&sub));
    }
    const UINT state = row.selected ? LVIS_SELECTED | LVIS_FOCUSED : 0;
    ListView_SetItemState(Hwnd(), r, state, LVIS_SELECTED | LVIS_FOCUSED);
  }

  ui::TListView& m_;
  std::vector<Row> shown_;
  std::vector<int> widths_;
  std::vector<std::string> captions_;
  int shownColumns_ = 0;
  int madeVisible_ = -1;
};

}  // namespace

std::unique_ptr<Binding> BindComboBox(ViewContext& ctx, ui::TComboBox& m, HWND p) {
  return std::make_unique<ComboBoxBinding>(ctx, m, p);
}
std::unique_ptr<Binding> BindListView(ViewContext& ctx, ui::TListView& m, HWND p) {
  if (m.SmallIcons) return std::make_unique<LegendBinding>(ctx, m, p);
  return std::make_unique<ListViewBinding>(ctx, m, p);
}

}  // namespace bx::view
