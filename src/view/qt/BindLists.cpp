// Combo boxes and list views: report views as tables with state icons, the small-icon
// legends as icon lists.
#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QTableWidget>

#include "view/qt/Bindings.h"
#include "view/qt/ViewText.h"

namespace bx::view {

namespace {

class ComboBoxBinding : public Binding {
 public:
  ComboBoxBinding(ViewContext& ctx, ui::TComboBox& m, QWidget* parent)
      : Binding(ctx, m, new QComboBox(parent)), m_(m), w_(static_cast<QComboBox*>(Widget())) {
    // The choice is always one of the items: the text is not typed.
    w_->setEditable(false);
    QObject::connect(w_, &QComboBox::activated, w_, [this](int i) {
      if (!syncing_) User([this, i] { m_.UserSelect(i); });
    });
  }

 protected:
  void RefreshOwn() override {
    if (m_.Items() != shownItems_) {
      shownItems_ = m_.Items();
      w_->clear();
      for (const std::string& s : shownItems_) w_->addItem(ToQListText(s));
      // Port descriptions are long: the open list may be wider than the box.
      w_->view()->setMinimumWidth(w_->view()->sizeHintForColumn(0) + 24);
    }
    if (w_->currentIndex() != m_.ItemIndex()) w_->setCurrentIndex(m_.ItemIndex());
  }

 private:
  ui::TComboBox& m_;
  QComboBox* w_;
  std::vector<std::string> shownItems_;
};

// Report view: rows of caption and sub-items, the state image before the caption.
class ReportBinding : public Binding {
 public:
  ReportBinding(ViewContext& ctx, ui::TListView& m, QWidget* parent)
      : Binding(ctx, m, new QTableWidget(parent)), m_(m), w_(static_cast<QTableWidget*>(Widget())) {
    w_->setSelectionBehavior(QAbstractItemView::SelectRows);
    w_->setSelectionMode(QAbstractItemView::SingleSelection);
    w_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    w_->setShowGrid(true);
    w_->setWordWrap(false);
    // The style draws no focus frame around a list: the frame shows where the keys go.
    w_->setStyleSheet(QStringLiteral("QTableWidget:focus { border: 2px solid palette(highlight); }"));
    w_->setSortingEnabled(false);  // the models sort, on a column click
    w_->setCornerButtonEnabled(false);
    w_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    w_->setIconSize(QSize(16, 16));
    // Tab and Shift+Tab leave the list for the next control; the arrow keys move in it.
    w_->setTabKeyNavigation(false);
    w_->verticalHeader()->hide();
    w_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QHeaderView* h = w_->horizontalHeader();
    h->setSectionsClickable(true);
    h->setHighlightSections(false);
    h->setStretchLastSection(true);
    h->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    h->setSortIndicatorShown(true);
    h->setSortIndicator(-1, Qt::AscendingOrder);
    w_->viewport()->installEventFilter(this);
    // The header flips its own arrow on a click; the refresh after the click puts back
    // the arrow the list's sort set.
    QObject::connect(h, &QHeaderView::sectionClicked, w_, [this](int c) { User([this, c] { m_.ColumnClick(c); }); });
    QObject::connect(w_, &QTableWidget::itemSelectionChanged, w_, [this] {
      if (syncing_) return;
      const QList<QTableWidgetSelectionRange> r = w_->selectedRanges();
      const int row = r.isEmpty() ? -1 : r.front().topRow();
      User([this, row] { m_.UserSelect(row); });
    });
    QObject::connect(w_, &QTableWidget::cellDoubleClicked, w_, [this] { User([this] { m_.DblClick(); }); });
  }

 protected:
  void RefreshOwn() override {
    RefreshColumns();
    RefreshRows();
    RefreshSelection();
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == w_ && event->type() == QEvent::KeyPress && ActivatesRow(static_cast<QKeyEvent*>(event))) {
      // A list with keys of its own decides first what Enter does; otherwise Enter on a
      // row does what a double click on it does.
      if (m_.OnKeyDown && Binding::eventFilter(watched, event)) return true;
      User([this] { m_.DblClick(); });
      return true;
    }
    if (watched == w_->viewport() && event->type() == QEvent::MouseButtonRelease) {
      User([this] { m_.MouseUp(); });
      return false;
    }
    return Binding::eventFilter(watched, event);
  }

 private:
  bool ActivatesRow(const QKeyEvent* e) const {
    return (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && m_.OnDblClick && m_.Selected();
  }

  void RefreshColumns() {
    const int n = static_cast<int>(m_.Columns.size());
    w_->horizontalHeader()->setVisible(m_.ShowColumnHeaders);
    if (w_->columnCount() != n) w_->setColumnCount(n);
    w_->verticalHeader()->setDefaultSectionSize(w_->fontMetrics().height() + 5);
    for (int c = 0; c < n; ++c) {
      const ui::TListColumn& col = m_.Columns[static_cast<std::size_t>(c)];
      QTableWidgetItem* head = w_->horizontalHeaderItem(c);
      if (!head) {
        head = new QTableWidgetItem;
        w_->setHorizontalHeaderItem(c, head);
      }
      const QString caption = ToQ(col.caption);
      if (head->text() != caption) head->setText(caption);
      head->setTextAlignment((col.alignRight ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
      // The design's widths are applied when they change; the user may drag in between.
      if (static_cast<std::size_t>(c) >= widths_.size() || widths_[static_cast<std::size_t>(c)] != col.width)
        w_->setColumnWidth(c, col.width);
    }
    widths_.clear();
    for (const ui::TListColumn& col : m_.Columns) widths_.push_back(col.width);
    QHeaderView* h = w_->horizontalHeader();
    const Qt::SortOrder order = m_.SortArrowDescending() ? Qt::DescendingOrder : Qt::AscendingOrder;
    if (h->sortIndicatorSection() != m_.SortArrowColumn() || h->sortIndicatorOrder() != order)
      h->setSortIndicator(m_.SortArrowColumn(), order);
  }

  void RefreshRows() {
    const int rows = m_.Count(), cols = static_cast<int>(m_.Columns.size());
    if (w_->rowCount() != rows) w_->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
      const ui::TListItem& it = m_.Item(r);
      for (int c = 0; c < cols; ++c) {
        const auto sub = static_cast<std::size_t>(c - 1);
        const std::string& text = c == 0 ? it.Caption() : (sub < it.SubItems().size() ? it.SubItems()[sub] : empty_);
        QTableWidgetItem* cell = w_->item(r, c);
        if (!cell) {
          cell = new QTableWidgetItem;
          const bool right = m_.Columns[static_cast<std::size_t>(c)].alignRight;
          cell->setTextAlignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
          w_->setItem(r, c, cell);
        }
        const QString q = ToQListText(text);
        if (cell->text() != q) cell->setText(q);
        if (c == 0) {
          const qint64 key = it.StateIndex();
          if (cell->data(Qt::UserRole).toLongLong() != key || !cell->data(Qt::UserRole).isValid()) {
            cell->setIcon(ctx_.icons.At(it.StateIndex()));
            cell->setData(Qt::UserRole, key);
          }
        }
      }
    }
  }

  void RefreshSelection() {
    int selected = -1;
    for (int r = 0; r < m_.Count(); ++r)
      if (m_.Item(r).Selected()) selected = r;
    const QList<QTableWidgetSelectionRange> ranges = w_->selectedRanges();
    const int shown = ranges.isEmpty() ? -1 : ranges.front().topRow();
    if (shown != selected) {
      if (selected < 0) {
        w_->clearSelection();
      } else {
        w_->selectRow(selected);
      }
    }
    if (m_.TopVisible() != madeVisible_) {
      madeVisible_ = m_.TopVisible();
      if (madeVisible_ >= 0 && madeVisible_ < w_->rowCount() && w_->columnCount() > 0)
        w_->scrollToItem(w_->item(madeVisible_, 0));
    }
  }

  ui::TListView& m_;
  QTableWidget* w_;
  std::vector<int> widths_;
  int madeVisible_ = -1;
  const std::string empty_;
};

// Small icons: the legends, items flowing left to right and wrapping.
class IconListBinding : public Binding {
 public:
  IconListBinding(ViewContext& ctx, ui::TListView& m, QWidget* parent)
      : Binding(ctx, m, new QListWidget(parent)), m_(m), w_(static_cast<QListWidget*>(Widget())) {
    w_->setViewMode(QListView::ListMode);
    w_->setFlow(QListView::LeftToRight);
    w_->setWrapping(true);
    w_->setResizeMode(QListView::Adjust);
    w_->setSpacing(1);
    w_->setIconSize(QSize(16, 16));
    w_->setSelectionMode(QAbstractItemView::SingleSelection);
    w_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A legend only explains the marks of the list beside it: nothing to do there by key.
    w_->setFocusPolicy(Qt::NoFocus);
    QObject::connect(w_, &QListWidget::itemSelectionChanged, w_, [this] {
      if (syncing_) return;
      const QList<QListWidgetItem*> s = w_->selectedItems();
      const int row = s.isEmpty() ? -1 : w_->row(s.front());
      User([this, row] { m_.UserSelect(row); });
    });
  }

 protected:
  void RefreshOwn() override {
    while (w_->count() > m_.Count()) delete w_->takeItem(w_->count() - 1);
    while (w_->count() < m_.Count()) w_->addItem(new QListWidgetItem);
    for (int r = 0; r < m_.Count(); ++r) {
      QListWidgetItem* item = w_->item(r);
      const QString text = ToQListText(m_.Item(r).Caption());
      if (item->text() != text) item->setText(text);
      if (item->data(Qt::UserRole) != QVariant(m_.Item(r).StateIndex())) {
        item->setIcon(ctx_.icons.At(m_.Item(r).StateIndex()));
        item->setData(Qt::UserRole, m_.Item(r).StateIndex());
      }
      if (item->isSelected() != m_.Item(r).Selected()) item->setSelected(m_.Item(r).Selected());
    }
  }

 private:
  ui::TListView& m_;
  QListWidget* w_;
};

}  // namespace

std::unique_ptr<Binding> BindComboBox(ViewContext& ctx, ui::TComboBox& m, QWidget* p) {
  return std::make_unique<ComboBoxBinding>(ctx, m, p);
}
std::unique_ptr<Binding> BindListView(ViewContext& ctx, ui::TListView& m, QWidget* p) {
  if (m.SmallIcons) return std::make_unique<IconListBinding>(ctx, m, p);
  return std::make_unique<ReportBinding>(ctx, m, p);
}

}  // namespace bx::view
