// The page control and its pages. The tab row holds only the pages whose tab is visible,
// in the model's order; each page is a container inside the tab control, shown while it
// is the active page.
#include <vector>

#include "view/win32/Bindings.h"

namespace bx::view {

namespace {

class PageControlBinding : public Binding {
 public:
  PageControlBinding(ViewContext& ctx, ui::TPageControl& m, HWND parent)
      : Binding(ctx, m, CreateControl(ctx, WC_TABCONTROLA, WS_TABSTOP | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, parent)),
        m_(m) {}

  LRESULT Notify(NMHDR* hdr) override {
    if (hdr->code != TCN_SELCHANGE || syncing_) return 0;
    const int tab = TabCtrl_GetCurSel(Hwnd());
    if (tab < 0 || tab >= static_cast<int>(tabs_.size())) return 0;
    const int page = tabs_[static_cast<std::size_t>(tab)];
    User([this, page] { m_.UserSelect(page); });
    return 0;
  }

 protected:
  void RefreshOwn() override {
    RefreshTabs();
    RefreshPages();
  }

 private:
  // The tab row is made again when the visible pages or their captions change.
  void RefreshTabs() {
    std::vector<int> tabs;
    std::vector<std::string> captions;
    for (std::size_t i = 0; i < m_.Pages().size(); ++i) {
      if (!m_.Pages()[i]->TabVisible()) continue;
      tabs.push_back(static_cast<int>(i));
      captions.push_back(m_.Pages()[i]->Caption());
    }
    if (tabs != tabs_ || captions != captions_) {
      tabs_ = tabs;
      captions_ = captions;
      TabCtrl_DeleteAllItems(Hwnd());
      for (std::size_t t = 0; t < captions_.size(); ++t) {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = captions_[t].data();
        ::SendMessageA(Hwnd(), TCM_INSERTITEMA, t, reinterpret_cast<LPARAM>(&item));
      }
    }
    int current = -1;
    for (std::size_t t = 0; t < tabs_.size(); ++t)
      if (tabs_[t] == m_.ActivePageIndex()) current = static_cast<int>(t);
    if (TabCtrl_GetCurSel(Hwnd()) != current) TabCtrl_SetCurSel(Hwnd(), current);
  }

  // Every page takes the display area below the tab row; only the active one shows.
  void RefreshPages() {
    RECT area{0, 0, m_.Width(), m_.Height()};
    TabCtrl_AdjustRect(Hwnd(), FALSE, &area);
    for (ui::TTabSheet* page : m_.Pages()) {
      Binding* b = ctx_.Find(page);
      if (!b) continue;
      ::SetWindowPos(b->Hwnd(), HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_NOACTIVATE);
      const bool show = page == m_.ActivePage() && page->TabVisible();
      ::ShowWindow(b->Hwnd(), show ? SW_SHOWNA : SW_HIDE);
    }
  }

  ui::TPageControl& m_;
  std::vector<int> tabs_;  // the page index of each tab
  std::vector<std::string> captions_;
};

class TabSheetBinding : public Binding {
 public:
  TabSheetBinding(ViewContext& ctx, ui::TTabSheet& m, HWND tabs) : Binding(ctx, m, CreateContainer(ctx, tabs)) {}

 protected:
  bool PlacedByModel() const override { return false; }
  // A caption or a tab shown or hidden changes the tab row.
  void RefreshOwn() override {
    if (Binding* pages = ctx_.Find(Model().Parent())) pages->Refresh();
  }
};

}  // namespace

std::unique_ptr<Binding> BindPageControl(ViewContext& ctx, ui::TPageControl& m, HWND p) {
  return std::make_unique<PageControlBinding>(ctx, m, p);
}

std::unique_ptr<Binding> BindTabSheet(ViewContext& ctx, ui::TTabSheet& m, HWND p) {
  char cls[64] = {};
  ::GetClassNameA(p, cls, sizeof cls);
  if (std::string(cls) != WC_TABCONTROLA) return BindPanel(ctx, m, p);  // a page outside a page control
  return std::make_unique<TabSheetBinding>(ctx, m, p);
}

}  // namespace bx::view
