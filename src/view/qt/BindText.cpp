// Edits and log panes. The selection is kept in step both ways, because the models'
// copy keys and "Copy to Buffer" work on the model's selection.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include "view/qt/Bindings.h"
#include "view/qt/ViewText.h"

namespace bx::view {

namespace {

// The model fixes an edit's background (white, or the button face when read-only), so
// the text colour is fixed with it, whatever the palette's scheme: dark text on the light
// fields of a dark palette too. Disabled text is a grey halfway that still reads.
void SetBase(QWidget* w, uint32_t rgb) {
  QPalette pal = w->palette();
  const QColor base = ToQColor(rgb);
  const QColor text = ContrastingColour(base);
  const QColor greyed((text.red() * 3 + base.red() * 2) / 5, (text.green() * 3 + base.green() * 2) / 5,
                      (text.blue() * 3 + base.blue() * 2) / 5);
  if (pal.color(QPalette::Active, QPalette::Base) == base && pal.color(QPalette::Active, QPalette::Text) == text &&
      pal.color(QPalette::Disabled, QPalette::Base) == base)
    return;
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    pal.setColor(group, QPalette::Base, base);
    pal.setColor(group, QPalette::Text, group == QPalette::Disabled ? greyed : text);
    pal.setColor(group, QPalette::PlaceholderText, greyed);
  }
  w->setPalette(pal);
}

class EditBinding : public Binding {
 public:
  EditBinding(ViewContext& ctx, ui::TEdit& m, QWidget* parent)
      : Binding(ctx, m, new QLineEdit(parent)), m_(m), w_(static_cast<QLineEdit*>(Widget())) {
    QObject::connect(w_, &QLineEdit::textEdited, w_, [this](const QString& t) { Typed(t); });
    QObject::connect(w_, &QLineEdit::selectionChanged, w_, [this] { PushSelection(); });
    QObject::connect(w_, &QLineEdit::cursorPositionChanged, w_, [this] { PushSelection(); });
  }

 protected:
  void RefreshOwn() override {
    if (w_->isReadOnly() != m_.ReadOnly) w_->setReadOnly(m_.ReadOnly);
    // A read-only field is no Tab stop; a click still focuses it to select and copy.
    const auto policy = m_.ReadOnly ? Qt::ClickFocus : Qt::StrongFocus;
    if (w_->focusPolicy() != policy) w_->setFocusPolicy(policy);
    const int max = m_.MaxLength > 0 ? m_.MaxLength : 32767;
    if (w_->maxLength() != max) w_->setMaxLength(max);
    const auto echo = m_.PasswordChar() ? QLineEdit::Password : QLineEdit::Normal;
    if (w_->echoMode() != echo) w_->setEchoMode(echo);
    SetBase(w_, m_.Color());
    if (m_.Text() != shownBytes_) {
      shownBytes_ = m_.Text();
      shown_ = ShownText(shownBytes_, false);
    }
    if (w_->text() != shown_.Text()) w_->setText(shown_.Text());
    if (!typing_) ApplySelection();
    if (m_.ReadOnly) ShowStart();
  }

 private:
  void Typed(const QString& text) {
    if (syncing_) return;
    typing_ = true;
    ctx_.User([&] { m_.UserType(FromQ(text)); });
    typing_ = false;
    // Where the model took the text as typed, the caret stays where the user has it.
    if (ToQ(m_.Text()) == w_->text()) {
      shownBytes_ = m_.Text();
      shown_ = ShownText(shownBytes_, false);
      PushSelection();
    }
    Refresh();
  }

  // A read-only field too narrow for its text shows the start, and the whole text as
  // its tooltip.
  void ShowStart() {
    const bool cut = w_->fontMetrics().horizontalAdvance(w_->text()) > w_->contentsRect().width() - 8;
    if (cut && m_.Hint.empty() && w_->toolTip() != w_->text()) w_->setToolTip(w_->text());
    if (!w_->hasSelectedText() && !w_->hasFocus() && w_->cursorPosition() != 0) w_->setCursorPosition(0);
  }

  void ApplySelection() {
    const int s = shown_.ToView(m_.SelStart());
    const int e = shown_.ToView(m_.SelStart() + m_.SelLength());
    if (e > s) {
      if (w_->selectionStart() != s || w_->selectionLength() != e - s) w_->setSelection(s, e - s);
    } else if (w_->hasSelectedText() || w_->cursorPosition() != s) {
      w_->setCursorPosition(s);
    }
  }

  void PushSelection() {
    if (syncing_ || typing_ || w_->text() != shown_.Text()) return;
    const int s = w_->hasSelectedText() ? w_->selectionStart() : w_->cursorPosition();
    const int e = w_->hasSelectedText() ? s + w_->selectionLength() : s;
    const int ms = shown_.ToModel(s), me = shown_.ToModel(e);
    if (ms != m_.SelStart() || me - ms != m_.SelLength()) m_.SetSel(ms, me - ms);
  }

  ui::TEdit& m_;
  QLineEdit* w_;
  std::string shownBytes_;
  ShownText shown_;
  bool typing_ = false;
};

class MemoBinding : public Binding {
 public:
  MemoBinding(ViewContext& ctx, ui::TMemo& m, QWidget* parent)
      : Binding(ctx, m, new QPlainTextEdit(parent)), m_(m), w_(static_cast<QPlainTextEdit*>(Widget())) {
    w_->setUndoRedoEnabled(false);
    // The style draws no focus frame around a pane: the frame shows where the keys go.
    w_->setStyleSheet(QStringLiteral("QPlainTextEdit:focus { border: 2px solid palette(highlight); }"));
    QObject::connect(w_, &QPlainTextEdit::selectionChanged, w_, [this] { PushSelection(); });
    QObject::connect(w_, &QPlainTextEdit::cursorPositionChanged, w_, [this] { PushSelection(); });
  }

 protected:
  void RefreshOwn() override {
    if (w_->isReadOnly() != m_.ReadOnly) w_->setReadOnly(m_.ReadOnly);
    if (m_.ReadOnly) KeepColoursWhenDisabled();
    const auto wrap = m_.WordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap;
    if (w_->lineWrapMode() != wrap) w_->setLineWrapMode(wrap);
    using SB = ui::TMemo::ScrollBars;
    w_->setVerticalScrollBarPolicy(m_.Scroll == SB::None ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
    w_->setHorizontalScrollBarPolicy(m_.Scroll == SB::Both ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    // A pane in the middle of a batch of line updates is shown when the batch ends.
    if (m_.Updating()) return;
    ShowText();
    ApplySelection();
  }

 private:
  // Only the model's own account of what changed since the pane was last shown is used:
  // comparing and copying the whole text on every line made a long log cost the square
  // of its length.
  void ShowText() {
    if (m_.Revision() == shownRevision_) return;
    const std::string& text = m_.Text();
    const std::size_t kept = m_.KeptSince(shownRevision_, shownLength_);
    // Lines added at the end (the common case for a log) are appended, a rewritten end
    // (a counter line) is cut back and appended; anything else replaces the whole text.
    if (kept == 0 || !ShowFrom(text, kept)) {
      shown_ = ShownText(text, true);
      w_->setPlainText(shown_.Text());
    }
    shownRevision_ = m_.Revision();
    shownLength_ = text.size();
  }

  bool ShowFrom(const std::string& text, std::size_t kept) {
    // A pane scrolled to its end follows the new lines; one scrolled up stays put.
    QScrollBar* bar = w_->verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    std::size_t from = shownLength_;
    QTextCursor c(w_->document());
    if (kept < shownLength_) {
      from = static_cast<std::size_t>(shown_.Truncate(text, static_cast<int>(kept)));
      c.setPosition(static_cast<int>(shown_.Text().size()));
      c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
      c.removeSelectedText();
    }
    QString added;
    if (!shown_.Append(std::string_view(text).substr(from), added)) return false;
    c.movePosition(QTextCursor::End);
    c.insertText(added);
    if (atEnd) bar->setValue(bar->maximum());
    return true;
  }

  // A read-only log pane stays readable while its page is disabled during an exchange.
  void KeepColoursWhenDisabled() {
    QPalette pal = w_->palette();
    bool changed = false;
    for (auto role : {QPalette::Text, QPalette::Base, QPalette::WindowText}) {
      const QColor c = pal.color(QPalette::Active, role);
      if (pal.color(QPalette::Disabled, role) == c) continue;
      pal.setColor(QPalette::Disabled, role, c);
      changed = true;
    }
    if (changed) w_->setPalette(pal);
  }

  void ApplySelection() {
    const int s = shown_.ToView(m_.SelStart());
    const int e = shown_.ToView(m_.SelStart() + m_.SelLength());
    QTextCursor c = w_->textCursor();
    if (c.selectionStart() == s && c.selectionEnd() == e) return;
    c.setPosition(s);
    c.setPosition(e, QTextCursor::KeepAnchor);
    w_->setTextCursor(c);
    w_->ensureCursorVisible();
  }

  void PushSelection() {
    if (syncing_ || m_.Updating() || m_.Revision() != shownRevision_) return;
    const QTextCursor c = w_->textCursor();
    const int ms = shown_.ToModel(c.selectionStart()), me = shown_.ToModel(c.selectionEnd());
    if (ms != m_.SelStart() || me - ms != m_.SelLength()) m_.SetSel(ms, me - ms);
  }

  ui::TMemo& m_;
  QPlainTextEdit* w_;
  // The model's text as shown: its revision and length then.
  uint64_t shownRevision_ = 0;
  std::size_t shownLength_ = 0;
  ShownText shown_{"", true};
};

}  // namespace

std::unique_ptr<Binding> BindEdit(ViewContext& ctx, ui::TEdit& m, QWidget* p) {
  return std::make_unique<EditBinding>(ctx, m, p);
}
std::unique_ptr<Binding> BindMemo(ViewContext& ctx, ui::TMemo& m, QWidget* p) {
  return std::make_unique<MemoBinding>(ctx, m, p);
}

}  // namespace bx::view
