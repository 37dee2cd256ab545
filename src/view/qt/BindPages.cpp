// The page control and its pages. A page whose tab is hidden is taken out of the tab
// widget and put back at its place in the model's order when its tab shows again.
#include <QSignalBlocker>
#include <QTabWidget>

#include "view/qt/Bindings.h"
#include "view/qt/ViewText.h"

namespace bx::view {

namespace {

class PageControlBinding : public Binding {
 public:
  PageControlBinding(ViewContext& ctx, ui::TPageControl& m, QWidget* parent)
      : Binding(ctx, m, new QTabWidget(parent)), m_(m), w_(static_cast<QTabWidget*>(Widget())) {
    w_->setUsesScrollButtons(true);
    QObject::connect(w_, &QTabWidget::currentChanged, w_, [this](int index) {
      if (syncing_) return;
      const int page = PageIndexOf(w_->widget(index));
      if (page >= 0) User([this, page] { m_.UserSelect(page); });
    });
  }

 protected:
  void RefreshOwn() override {
    int pos = 0;
    for (ui::TTabSheet* page : m_.Pages()) {
      QWidget* w = PageWidget(page);
      if (!w) continue;
      const int at = w_->indexOf(w);
      const QString caption = ToQ(page->Caption());
      if (page->TabVisible()) {
        if (at != pos) {
          if (at >= 0) w_->removeTab(at);
          w_->insertTab(pos, w, caption);
        } else if (w_->tabText(pos) != caption) {
          w_->setTabText(pos, caption);
        }
        ++pos;
      } else if (at >= 0) {
        w_->removeTab(at);
      }
    }
    if (ui::TTabSheet* active = m_.ActivePage(); active && active->TabVisible()) {
      QWidget* w = PageWidget(active);
      if (w && w_->currentWidget() != w) w_->setCurrentWidget(w);
    }
  }

 private:
  QWidget* PageWidget(const ui::TTabSheet* page) const {
    const auto it = ctx_.widgets.find(page);
    return it == ctx_.widgets.end() ? nullptr : it->second;
  }
  int PageIndexOf(const QWidget* w) const {
    for (std::size_t i = 0; i < m_.Pages().size(); ++i)
      if (PageWidget(m_.Pages()[i]) == w) return static_cast<int>(i);
    return -1;
  }

  ui::TPageControl& m_;
  QTabWidget* w_;
};

class TabSheetBinding : public Binding {
 public:
  TabSheetBinding(ViewContext& ctx, ui::TTabSheet& m, QTabWidget* tabs)
      : Binding(ctx, m, new QWidget), m_(m), tabs_(tabs) {
    // The tab widget owns the page from here on, in or out of its tab row; the page
    // control's refresh puts the tabs in order.
    const QSignalBlocker quiet(tabs_);
    tabs_->addTab(Widget(), ToQ(m_.Caption()));
  }

 protected:
  bool PlacedByModel() const override { return false; }
  void RefreshOwn() override {
    const int at = tabs_->indexOf(Widget());
    const QString caption = ToQ(m_.Caption());
    if (at >= 0 && tabs_->tabText(at) != caption) tabs_->setTabText(at, caption);
  }

 private:
  ui::TTabSheet& m_;
  QTabWidget* tabs_;
};

}  // namespace

std::unique_ptr<Binding> BindPageControl(ViewContext& ctx, ui::TPageControl& m, QWidget* p) {
  return std::make_unique<PageControlBinding>(ctx, m, p);
}

std::unique_ptr<Binding> BindTabSheet(ViewContext& ctx, ui::TTabSheet& m, QWidget* p) {
  auto* tabs = qobject_cast<QTabWidget*>(p);
  if (!tabs) return BindPanel(ctx, m, p);  // a page outside a page control: a plain panel
  return std::make_unique<TabSheetBinding>(ctx, m, tabs);
}

}  // namespace bx::view
