#include "view/qt/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#include "view/qt/ViewText.h"

namespace bx::view {

void QtClipboard::SetText(const std::string& text) {
  QString q = ToQ(text);
  q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QGuiApplication::clipboard()->setText(q);
}

std::string QtClipboard::Text() { return FromQ(QGuiApplication::clipboard()->text()); }

}  // namespace bx::view
