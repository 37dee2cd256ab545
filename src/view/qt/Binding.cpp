#include <cmath>
#include "view/qt/Binding.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTabWidget>

#include "view/qt/LoopDriver.h"
#include "view/qt/ViewText.h"

namespace bx::view {

void ViewContext::User(const std::function<void()>& action) {
  if (driver)
    driver->UserAction(action);
  else
    action();
}

Binding::Binding(ViewContext& ctx, ui::TControl& model, QWidget* widget) : ctx_(ctx), model_(model), widget_(widget) {
  connection_ = model_.Changed.Connect([this] { Refresh(); });
  widget_->installEventFilter(this);
  widget_->setObjectName(QString::fromStdString(model_.Name()));
}

Binding::~Binding() { model_.Changed.Disconnect(connection_); }

void Binding::Refresh() {
  const Sync sync(*this);
  RefreshStyle();
  RefreshOwn();
  RefreshPlacement();
}

QRect Binding::Bounds() const { return {model_.Left(), model_.Top(), model_.Width(), model_.Height()}; }

void Binding::RefreshStyle() {
  // A widget disabled by itself carries WA_ForceDisabled; one inside a disabled parent
  // does not, and follows its parent as the model's Usable() does.
  if (widget_->testAttribute(Qt::WA_ForceDisabled) == model_.Enabled()) {
    widget_->setEnabled(model_.Enabled());
    if (model_.Enabled()) RestoreFocus();
  }
  const QFont font = ToQFont(model_.font);
  if (widget_->font() != font) widget_->setFont(font);
  const QString tip = ToQ(model_.Hint);
  if (widget_->toolTip() != tip) widget_->setToolTip(tip);
}

// Disabling a control drops the toolkit's focus from it and its children while the model
// still holds it there: once enabled again, the model's focused control gets it back.
void Binding::RestoreFocus() {
  const ui::TForm* form = model_.Form();
  const ui::TControl* active = form ? form->ActiveControl() : nullptr;
  const auto it = active ? ctx_.widgets.find(active) : ctx_.widgets.end();
  if (it == ctx_.widgets.end()) return;
  QWidget* w = it->second;
  if (w->isEnabled() && w->isVisible() && !w->hasFocus()) w->setFocus(Qt::OtherFocusReason);
}

void Binding::RefreshPlacement() {
  if (!PlacedByModel()) return;
  const QRect r = Bounds();
  if (widget_->geometry() != r) widget_->setGeometry(r);
  if (widget_->isHidden() == model_.Visible()) widget_->setVisible(model_.Visible());
}

void Binding::User(const std::function<void()>& action) {
  ctx_.User(action);
  Refresh();
}

namespace {
bool SwitchesPage(const QKeyEvent* e) {
  return (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) && e->modifiers().testFlag(Qt::ControlModifier);
}
}  // namespace

bool Binding::eventFilter(QObject* watched, QEvent* event) {
  if (watched == widget_ && event->type() == QEvent::KeyPress && SwitchesPage(static_cast<QKeyEvent*>(event))) {
    // Ctrl+Tab turns the page wherever the focus is: a combo box would take the Tab as
    // the start of an item's text, and the user would be stuck on the page.
    for (QWidget* p = widget_->parentWidget(); p; p = p->parentWidget()) {
      if (auto* tabs = qobject_cast<QTabWidget*>(p)) {
        QCoreApplication::sendEvent(tabs, event);
        return true;
      }
    }
  }
  if (watched == widget_ && event->type() == QEvent::KeyPress && model_.OnKeyDown) {
    auto* ke = static_cast<QKeyEvent*>(event);
    const int key = VirtualKey(ke->key());
    if (key == 0) return false;
    const Qt::KeyboardModifiers mods = ke->modifiers();
    ui::KeyEvent e{key, mods.testFlag(Qt::ControlModifier), mods.testFlag(Qt::ShiftModifier),
                   mods.testFlag(Qt::AltModifier)};
    User([&] { model_.KeyDown(e); });
    return e.key == 0;  // consumed by the handler: the widget does not see it
  }
  return QObject::eventFilter(watched, event);
}

QColor ToQColor(uint32_t rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

namespace {
double Luminance(const QColor& c) {
  auto lin = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
}
}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ContrastingColour(const QColor& on) {
  return ContrastRatio(on, Qt::black) >= ContrastRatio(on, Qt::white) ? QColor(Qt::black) : QColor(Qt::white);
}

QFont ToQFont(const ui::Font& f) {
  QFont q;
  // The design's fonts, with the free look-alikes a Debian desktop carries.
  if (f.name == "Courier New") {
    q.setFamilies({"Courier New", "Liberation Mono", "DejaVu Sans Mono", "Monospace"});
    q.setStyleHint(QFont::TypeWriter);
  } else if (f.name == "Arial") {
    q.setFamilies({"Arial", "Liberation Sans", "Nimbus Sans", "DejaVu Sans"});
    q.setStyleHint(QFont::SansSerif);
  } else if (f.name == "MS Sans Serif") {
    q.setFamilies({"DejaVu Sans", "Sans Serif"});
    q.setStyleHint(QFont::SansSerif);
  } else {
    q.setFamilies({QString::fromStdString(f.name), "DejaVu Sans"});
  }
  // A negative height is the character height in pixels, a positive one the cell height,
  // which includes the internal leading.
  const int px = f.height < 0 ? -f.height : f.height * 4 / 5;
  q.setPixelSize(px > 0 ? px : 11);
  q.setBold(f.style.bold);
  q.setItalic(f.style.italic);
  q.setUnderline(f.style.underline);
  return q;
}

int VirtualKey(int k) {
  if (k >= Qt::Key_A && k <= Qt::Key_Z) return 'A' + (k - Qt::Key_A);
  if (k >= Qt::Key_0 && k <= Qt::Key_9) return '0' + (k - Qt::Key_0);
  if (k >= Qt::Key_F1 && k <= Qt::Key_F12) return 112 + (k - Qt::Key_F1);
  switch (k) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return ui::vk::Return;
    case Qt::Key_Space:
      return ui::vk::Space;
    case Qt::Key_Escape:
      return 27;
    case Qt::Key_Backspace:
      return 8;
    case Qt::Key_PageUp:
      return 33;
    case Qt::Key_PageDown:
      return 34;
    case Qt::Key_End:
      return 35;
    case Qt::Key_Home:
      return 36;
    case Qt::Key_Left:
      return 37;
    case Qt::Key_Up:
      return 38;
    case Qt::Key_Right:
      return 39;
    case Qt::Key_Down:
      return 40;
    case Qt::Key_Insert:
      return 45;
    case Qt::Key_Delete:
      return 46;
    default:
      return 0;
  }
}

}  // namespace bx::view
