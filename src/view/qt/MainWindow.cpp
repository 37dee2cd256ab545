#include "view/qt/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QTabWidget>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/AccessKeys.h"
#include "ui/TabOrder.h"
#include "view/qt/LoopDriver.h"
#include "view/qt/ViewText.h"

namespace bx::view {

MainWindow::MainWindow(TfrmMain& form, LoopDriver* driver) : QWidget(nullptr), form_(form) {
  ctx_.driver = driver;
  ctx_.icons = StateIcons(form_.ilIcons);
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFont(ToQFont(form_.font));
  setWindowTitle(ToQ(form_.Caption()));
  // The controls sit on a client widget of the design's size inside a scroll area that
  // shows it whole wherever the screen has room.
  content_ = new QWidget;
  content_->setObjectName("client");
  content_->setFixedSize(form_.ClientWidth > 0 ? form_.ClientWidth : 714,
                         form_.ClientHeight > 0 ? form_.ClientHeight : 424);
  scroll_ = new QScrollArea(this);
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setWidgetResizable(false);
  scroll_->setFocusPolicy(Qt::NoFocus);
  scroll_->setWidget(content_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(scroll_);
  setFixedSize(content_->size());

  for (ui::TControl* c : form_.Children()) Build(*c, content_);
  ctx_.mnemonics = ui::ChooseAccessKeys(form_);
  // Pages find their widgets only once every control has one, so the first full
  // refresh comes after the whole tree is built.
  for (auto& b : bindings_) b->Refresh();
  ApplyTabOrder();

  captionConnection_ = form_.Changed.Connect([this] {
    const QString title = ToQ(form_.Caption());
    if (windowTitle() != title) setWindowTitle(title);
  });
  focusConnection_ = form_.FocusChanged.Connect([this] { FocusFromModel(); });
  appFocus_ = QObject::connect(qApp, &QApplication::focusChanged, this,
                               [this](QWidget*, QWidget* now) { FocusFromWidget(now); });
  // The window's own shortcuts, wherever the focus is; they add nothing to the layout.
  auto* report = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), this);
  report->setContext(Qt::WindowShortcut);
  QObject::connect(report, &QShortcut::activated, this, [this] {
    ctx_.User([this] { form_.WindowShortcut(ui::KeyEvent{'S', true, true, false}); });
  });
}

MainWindow::~MainWindow() {
  // Before the widgets go: no model may reach a binding, no focus change a model.
  QObject::disconnect(appFocus_);
  form_.FocusChanged.Disconnect(focusConnection_);
  form_.Changed.Disconnect(captionConnection_);
  bindings_.clear();
  models_.clear();
}

void MainWindow::Build(ui::TControl& model, QWidget* parent) {
  std::unique_ptr<Binding> b = MakeBinding(ctx_, model, parent);
  QWidget* childParent = b->ChildParent();
  ctx_.widgets[&model] = b->Widget();
  models_[b->Widget()] = &model;
  bindings_.push_back(std::move(b));
  for (ui::TControl* c : model.Children()) Build(*c, childParent);
}

void MainWindow::AppendInTabOrder(ui::TControl& model, std::vector<QWidget*>& order) const {
  if (QWidget* w = WidgetFor(model)) {
    // Qt chains only widgets that take focus: a label or a group stays out, and a control
    // with no focus of its own (a radio group) brings its options instead.
    if (w->focusPolicy() != Qt::NoFocus) {
      order.push_back(w);
    } else {
      for (QWidget* inner : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!models_.count(inner) && inner->focusPolicy() != Qt::NoFocus) order.push_back(inner);
    }
  }
  // The pages of a page control are walked through its tab row, not in reading order.
  const bool pages = dynamic_cast<ui::TPageControl*>(&model) != nullptr;
  for (ui::TControl* c : pages ? model.Children() : ui::InReadingOrder(model.Children())) AppendInTabOrder(*c, order);
}

// Read-only fields are in the chain too: Tab passes over them while they take no Tab
// focus, and a field made editable later is in its place.
void MainWindow::ApplyTabOrder() {
  std::vector<QWidget*> order;
  for (ui::TControl* c : ui::InReadingOrder(form_.Children())) AppendInTabOrder(*c, order);
  for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

// Ctrl+Tab turns the page also when no control has the focus (a tab clicked with the
// mouse leaves it on none): the key reaches the window then.
void MainWindow::keyPressEvent(QKeyEvent* e) {
  const bool pageKey = (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) &&
                       e->modifiers().testFlag(Qt::ControlModifier);
  if (pageKey) {
    if (auto* tabs = qobject_cast<QTabWidget*>(WidgetFor(form_.pcOptions)); tabs && tabs->isEnabled()) {
      QCoreApplication::sendEvent(tabs, e);
      return;
    }
  }
  QWidget::keyPressEvent(e);
}

QWidget* MainWindow::WidgetFor(const ui::TControl& control) const {
  const auto it = ctx_.widgets.find(&control);
  return it == ctx_.widgets.end() ? nullptr : it->second;
}

void MainWindow::FocusFromModel() {
  ui::TControl* c = form_.ActiveControl();
  QWidget* w = c ? WidgetFor(*c) : nullptr;
  if (w && !w->hasFocus()) w->setFocus(Qt::OtherFocusReason);
}

void MainWindow::FocusFromWidget(QWidget* now) {
  for (QWidget* w = now; w && w != this; w = w->parentWidget()) {
    const auto it = models_.find(w);
    if (it == models_.end()) continue;
    if (form_.ActiveControl() != it->second) it->second->SetFocus();
    return;
  }
}

QPoint PlaceOnScreens(const QRect& wanted, const QList<QRect>& screens) {
  const auto area = [](const QRect& r) { return r.isEmpty() ? 0ll : static_cast<long long>(r.width()) * r.height(); };
  const long long whole = area(wanted);
  // How far a point is from a screen: 0 inside it.
  const auto distance = [](const QRect& s, const QPoint& p) {
    const int dx = std::max({s.left() - p.x(), 0, p.x() - s.right()});
    const int dy = std::max({s.top() - p.y(), 0, p.y() - s.bottom()});
    return static_cast<long long>(dx) * dx + static_cast<long long>(dy) * dy;
  };
  const QRect* nearest = nullptr;
  long long bestSeen = -1, bestDistance = 0;
  for (const QRect& s : screens) {
    const long long seen = area(s.intersected(wanted));
    if (seen * 2 >= whole && wanted.top() >= s.top() && wanted.top() < s.bottom()) return wanted.topLeft();
    const long long d = distance(s, wanted.center());
    if (seen > bestSeen || (seen == bestSeen && d < bestDistance)) {
      nearest = &s;
      bestSeen = seen;
      bestDistance = d;
    }
  }
  if (!nearest) return wanted.topLeft();
  const QRect& s = *nearest;
  const int x = wanted.width() >= s.width() ? s.left() : std::clamp(wanted.left(), s.left(), s.right() + 1 - wanted.width());
  const int y = wanted.height() >= s.height() ? s.top() : std::clamp(wanted.top(), s.top(), s.bottom() + 1 - wanted.height());
  return {x, y};
}

bool MainWindow::PlaceRestored() {
  if (!form_.RestorePosition) return false;
  // A position saved on a screen that is no longer there (another monitor gone, a
  // smaller screen) would leave the window out of reach: it comes onto the nearest one.
  QList<QRect> screens;
  for (const QScreen* s : QGuiApplication::screens()) screens.push_back(s->availableGeometry());
  if (screens.isEmpty()) return false;
  move(PlaceOnScreens(QRect(form_.Left(), form_.Top(), width(), height()), screens));
  return true;
}

void MainWindow::FitInto(const QRect& available) {
  // The title bar and frame take room too; the platform tells their size once shown.
  const QSize frame = isVisible() ? frameGeometry().size() - size() : QSize(0, 0);
  const QSize want = content_->size();
  const QSize room(std::max(200, available.width() - frame.width()), std::max(150, available.height() - frame.height()));
  if (want.width() <= room.width() && want.height() <= room.height()) {
    setFixedSize(want);
    return;
  }
  // One dimension scrolling takes a scroll bar's room from the other.
  const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const int w = want.height() > room.height() ? want.width() + bar : want.width();
  const int h = want.width() > room.width() ? want.height() + bar : want.height();
  setFixedSize(std::min(w, room.width()), std::min(h, room.height()));
}

void MainWindow::ShowWindow() {
  ctx_.User([this] { ui::Invoke([this] { form_.FormShow(); }); });
  if (const QScreen* s = QGuiApplication::primaryScreen()) FitInto(s->availableGeometry());
  if (!PlaceRestored()) {
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
      const QRect a = s->availableGeometry();
      move(a.x() + (a.width() - width()) / 2, a.y() + (a.height() - height()) / 2);
    }
  }
  show();
}

void MainWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  const QRect frame = frameGeometry();
  if (frame.x() != form_.Left() || frame.y() != form_.Top())
    form_.SetBounds(frame.x(), frame.y(), frame.width(), frame.height());
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The close sequence may ask "Save changes?" and be cancelled; a settings write that
  // fails is shown by the exception display, and the window closes all the same once
  // the model has begun closing.
  ctx_.User([this] { ui::Invoke([this] { form_.Close(); }); });
  if (form_.Closed())
    event->accept();
  else
    event->ignore();
}

}  // namespace bx::view
