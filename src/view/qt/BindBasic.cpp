// Labels, buttons, check boxes, radio buttons and groups, group boxes and panels.
#include <QApplication>
#include <QCheckBox>
#include <QEnterEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <vector>

#include "ui/AccessKeys.h"
#include "view/qt/Bindings.h"
#include "view/qt/ViewText.h"

namespace bx::view {

namespace {

// A label that reports the mouse entering, leaving and clicking it.
class LabelWidget : public QLabel {
 public:
  using QLabel::QLabel;
  std::function<void()> onEnter, onLeave, onClick;

 protected:
  void enterEvent(QEnterEvent* e) override {
    QLabel::enterEvent(e);
    if (onEnter) onEnter();
  }
  void leaveEvent(QEvent* e) override {
    QLabel::leaveEvent(e);
    if (onLeave) onLeave();
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    QLabel::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && onClick) onClick();
  }
  // A link is reached with Tab and followed with Enter or Space, as a button is pressed.
  void keyPressEvent(QKeyEvent* e) override {
    const int k = e->key();
    if ((k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_Space) && e->modifiers() == Qt::NoModifier &&
        onClick) {
      onClick();
      return;
    }
    QLabel::keyPressEvent(e);
  }
};

class LabelBinding : public Binding {
 public:
  LabelBinding(ViewContext& ctx, ui::TLabel& m, QWidget* parent)
      : Binding(ctx, m, new LabelWidget(parent)), m_(m), w_(static_cast<LabelWidget*>(Widget())) {
    w_->setTextFormat(Qt::PlainText);
    w_->onEnter = [this] { User([this] { m_.MouseEnter(); }); };
    w_->onLeave = [this] { User([this] { m_.MouseLeave(); }); };
    w_->onClick = [this] { User([this] { m_.Click(); }); };
  }

 protected:
  void RefreshOwn() override {
    const QString text = ToQ(m_.Caption());
    if (w_->text() != text) w_->setText(text);
    if (m_.HandCursor)
      w_->setCursor(Qt::PointingHandCursor);
    else
      w_->unsetCursor();
    // A label with the hand cursor is a link: a Tab stop, framed while it has the focus.
    const auto policy = m_.HandCursor ? Qt::StrongFocus : Qt::NoFocus;
    if (w_->focusPolicy() != policy) {
      w_->setFocusPolicy(policy);
      w_->setStyleSheet(m_.HandCursor ? "QLabel:focus { border: 1px dotted palette(window-text); }" : "");
    }
    ShowColour();
  }
  // A label in the default colour (black, the window text) takes the palette's text on
  // the palette's window. A fixed colour (the About page's name and links) is kept, on a
  // background fixed to contrast with it where the palette's window does not.
  void ShowColour() {
    if (m_.font.color == fixedColour_) return;
    fixedColour_ = m_.font.color;
    QPalette pal = w_->parentWidget() ? w_->parentWidget()->palette() : QApplication::palette();
    bool fill = false;
    if (m_.font.color != ui::clr::Black) {
      const QColor c = ToQColor(m_.font.color);
      for (auto group : {QPalette::Active, QPalette::Inactive}) pal.setColor(group, QPalette::WindowText, c);
      if (ContrastRatio(c, pal.color(QPalette::Active, QPalette::Window)) < 4.5) {
        const QColor back = ContrastingColour(c);
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
          pal.setColor(group, QPalette::Window, back);
        fill = true;
      }
    }
    w_->setAutoFillBackground(fill);
    w_->setPalette(pal);
  }
  uint32_t fixedColour_ = 0xFFFFFFFFu;  // none yet

  // Labels size themselves to their caption, as the classic auto-size labels do.
  QRect Bounds() const override {
    const QSize hint = w_->sizeHint();
    return {m_.Left(), m_.Top(), std::max(m_.Width(), hint.width()), std::max(m_.Height(), hint.height())};
  }

 private:
  ui::TLabel& m_;
  LabelWidget* w_;
};

// A push button that Enter presses as well as Space.
class ButtonWidget : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && e->modifiers() == Qt::NoModifier) {
      click();
      return;
    }
    QPushButton::keyPressEvent(e);
  }
};

class ButtonBinding : public Binding {
 public:
  ButtonBinding(ViewContext& ctx, ui::TButton& m, QWidget* parent)
      : Binding(ctx, m, new ButtonWidget(parent)), m_(m), w_(static_cast<QPushButton*>(Widget())) {
    w_->setAutoDefault(false);
    QObject::connect(w_, &QPushButton::clicked, w_, [this] {
      if (!syncing_) User([this] { m_.Click(); });
    });
  }

 protected:
  void RefreshOwn() override {
    const auto it = ctx_.mnemonics.find(&m_);
    const QString text = ToQ(ui::CaptionWithAccessKey(m_.Caption(), it == ctx_.mnemonics.end() ? 0 : it->second));
    if (w_->text() != text) w_->setText(text);
  }

 private:
  ui::TButton& m_;
  QPushButton* w_;
};

// A check box or an option button: the widget has already toggled itself when it is
// clicked; the model decides, and Refresh shows what it made of the click.
template <class M, class W>
class ToggleBinding : public Binding {
 public:
  ToggleBinding(ViewContext& ctx, M& m, QWidget* parent)
      : Binding(ctx, m, new W(parent)), m_(m), w_(static_cast<W*>(Widget())) {
    w_->setAutoExclusive(false);
    QObject::connect(w_, &W::clicked, w_, [this] {
      if (!syncing_) User([this] { m_.Click(); });
    });
  }

 protected:
  void RefreshOwn() override {
    const QString text = ToQ(m_.Caption());
    if (w_->text() != text) w_->setText(text);
    if (w_->isChecked() != m_.Checked()) w_->setChecked(m_.Checked());
  }

 private:
  M& m_;
  W* w_;
};
using CheckBoxBinding = ToggleBinding<ui::TCheckBox, QCheckBox>;
using RadioButtonBinding = ToggleBinding<ui::TRadioButton, QRadioButton>;

// A group of options with one choice: the items share the group's height evenly below
// its caption, as in the classic radio group.
class RadioGroupBinding : public Binding {
 public:
  RadioGroupBinding(ViewContext& ctx, ui::TRadioGroup& m, QWidget* parent)
      : Binding(ctx, m, new QGroupBox(parent)), m_(m), w_(static_cast<QGroupBox*>(Widget())) {
    for (std::size_t i = 0; i < m_.Items().size(); ++i) {
      auto* b = new QRadioButton(ToQ(m_.Items()[i]), w_);
      b->setAutoExclusive(false);
      const int index = static_cast<int>(i);
      QObject::connect(b, &QRadioButton::clicked, b, [this, index] {
        if (!syncing_) User([this, index] { m_.UserSelect(index); });
      });
      b->installEventFilter(this);
      buttons_.push_back(b);
    }
  }

 protected:
  void RefreshOwn() override {
    const QString title = ToQ(m_.Caption());
    if (w_->title() != title) w_->setTitle(title);
    const int n = static_cast<int>(buttons_.size());
    if (n == 0) return;
    constexpr int kTop = 20, kBottom = 2, kLeft = 8;  // below the caption
    const int each = std::max(1, (m_.Height() - kTop - kBottom) / n);
    for (int i = 0; i < n; ++i) {
      QRadioButton* b = buttons_[static_cast<std::size_t>(i)];
      b->setFont(w_->font());
      const int h = std::min(each, b->sizeHint().height());
      const QRect r(kLeft, kTop + i * each + (each - h) / 2, std::max(0, m_.Width() - 2 * kLeft), h);
      if (b->geometry() != r) b->setGeometry(r);
      if (b->isChecked() != (m_.ItemIndex() == i)) b->setChecked(m_.ItemIndex() == i);
      // The group is one Tab stop, at its choice; the arrow keys move the choice.
      const auto policy = i == std::max(0, m_.ItemIndex()) ? Qt::StrongFocus : Qt::ClickFocus;
      if (b->focusPolicy() != policy) b->setFocusPolicy(policy);
    }
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    const auto at = std::find(buttons_.begin(), buttons_.end(), watched);
    if (at == buttons_.end() || event->type() != QEvent::KeyPress) return Binding::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    const int step = key == Qt::Key_Down || key == Qt::Key_Right ? 1
                     : key == Qt::Key_Up || key == Qt::Key_Left  ? -1
                                                                 : 0;
    if (step == 0) return false;
    const int n = static_cast<int>(buttons_.size());
    const int next = (static_cast<int>(at - buttons_.begin()) + step + n) % n;
    User([this, next] { m_.UserSelect(next); });
    buttons_[static_cast<std::size_t>(next)]->setFocus(Qt::TabFocusReason);
    return true;
  }

 private:
  ui::TRadioGroup& m_;
  QGroupBox* w_;
  std::vector<QRadioButton*> buttons_;
};

class GroupBoxBinding : public Binding {
 public:
  GroupBoxBinding(ViewContext& ctx, ui::TGroupBox& m, QWidget* parent)
      : Binding(ctx, m, new QGroupBox(parent)), m_(m), w_(static_cast<QGroupBox*>(Widget())) {}

 protected:
  void RefreshOwn() override {
    const QString title = ToQ(m_.Caption());
    if (w_->title() != title) w_->setTitle(title);
  }

 private:
  ui::TGroupBox& m_;
  QGroupBox* w_;
};

class PanelBinding : public Binding {
 public:
  PanelBinding(ViewContext& ctx, ui::TControl& m, QWidget* parent) : Binding(ctx, m, new QFrame(parent)) {}
};

}  // namespace

std::unique_ptr<Binding> BindLabel(ViewContext& ctx, ui::TLabel& m, QWidget* p) {
  return std::make_unique<LabelBinding>(ctx, m, p);
}
std::unique_ptr<Binding> BindButton(ViewContext& ctx, ui::TButton& m, QWidget* p) {
  return std::make_unique<ButtonBinding>(ctx, m, p);
}
std::unique_ptr<Binding> BindCheckBox(ViewContext& ctx, ui::TCheckBox& m, QWidget* p) {
  return std::make_unique<CheckBoxBinding>(ctx, m, p);
}
std::unique_ptr<Binding> BindRadioButton(ViewContext& ctx, ui::TRadioButton& m, QWidget* p) {
  return std::make_unique<RadioButtonBinding>(ctx, m, p);
}
std::unique_ptr<Binding> BindRadioGroup(ViewContext& ctx, ui::TRadioGroup& m, QWidget* p) {
  return std::make_unique<RadioGroupBinding>(ctx, m, p);
}
std::unique_ptr<Binding> BindGroupBox(ViewContext& ctx, ui::TGroupBox& m, QWidget* p) {
  return std::make_unique<GroupBoxBinding>(ctx, m, p);
}
std::unique_ptr<Binding> BindPanel(ViewContext& ctx, ui::TControl& m, QWidget* p) {
  return std::make_unique<PanelBinding>(ctx, m, p);
}

}  // namespace bx::view
