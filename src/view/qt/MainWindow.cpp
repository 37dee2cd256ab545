#include "view/qt/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>

#include "ui/TabOrder.h"
#include "view/qt/LoopDriver.h"
#include "view/qt/ViewText.h"

namespace bx::view {

MainWindow::MainWindow(TfrmMain& form, LoopDriver* driver) : QWidget(nullptr), form_(form) {
  ctx_.driver = driver;
  ctx_.icons = StateIcons(form_.ilIcons);
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFixedSize(form_.ClientWidth > 0 ? form_.ClientWidth : 714, form_.ClientHeight > 0 ? form_.ClientHeight : 424);
  setFont(ToQFont(form_.font));
  setWindowTitle(ToQ(form_.Caption()));

  for (ui::TControl* c : form_.Children()) Build(*c, this);
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

bool MainWindow::PlaceRestored() {
  if (!form_.RestorePosition) return false;
  // A position saved on a screen that is no longer there would leave the window out of
  // reach: it must show at least a good piece of its title bar on some screen.
  const QRect wanted(form_.Left(), form_.Top(), width(), height());
  for (const QScreen* s : QGuiApplication::screens()) {
    const QRect seen = s->availableGeometry().intersected(wanted);
    if (seen.width() >= 100 && seen.height() >= 30 && seen.top() == wanted.top()) {
      move(wanted.topLeft());
      return true;
    }
  }
  return false;
}

void MainWindow::ShowWindow() {
  ctx_.User([this] { ui::Invoke([this] { form_.FormShow(); }); });
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
