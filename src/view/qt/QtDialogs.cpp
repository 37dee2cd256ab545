#include "view/qt/QtDialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/Bytes.h"
#include "ui/Controls.h"
#include "view/qt/ViewText.h"

namespace bx::view {

namespace {

QString PlainMessage(const std::string& text) {
  QString q = ToQ(text);
  q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return q;
}

QMessageBox::Icon IconOf(int flags) {
  switch (flags & mb::IconMask) {
    case mb::IconError:
      return QMessageBox::Critical;
    case mb::IconQuestion:
      return QMessageBox::Question;
    case mb::IconWarning:
      return QMessageBox::Warning;
    case mb::IconInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

}  // namespace

int QtDialogs::MessageBox(const std::string& caption, const std::string& text, int flags) {
  QMessageBox box(IconOf(flags), ToQ(caption), PlainMessage(text), QMessageBox::NoButton, owner_);
  box.setTextFormat(Qt::PlainText);
  switch (flags & mb::ButtonsMask) {
    case mb::YesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      box.setDefaultButton(QMessageBox::Yes);
      box.setEscapeButton(QMessageBox::Cancel);
      break;
    case mb::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(QMessageBox::Yes);
      box.setEscapeButton(QMessageBox::No);
      break;
    default:
      box.setStandardButtons(QMessageBox::Ok);
      break;
  }
  if (flags & mb::DefaultNo) box.setDefaultButton(QMessageBox::No);
  box.exec();
  switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes:
      return mb::IdYes;
    case QMessageBox::No:
      return mb::IdNo;
    case QMessageBox::Cancel:
      return mb::IdCancel;
    case QMessageBox::Ok:
      return mb::IdOk;
    default:
      return mb::DismissedAnswer(flags);
  }
}

QString QtFileFilter(const std::string& filter) {
  const QStringList parts = ToQ(filter).split(u'|');
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (QString p : parts[i + 1].split(u';', Qt::SkipEmptyParts)) {
      p = p.trimmed();
      if (p.isEmpty()) continue;
      if (p == u"*.*") p = QStringLiteral("*");  // files without an extension count too
      if (!patterns.contains(p)) patterns << p;
      const QString upper = p.toUpper();
      if (!patterns.contains(upper)) patterns << upper;
    }
    if (patterns.isEmpty()) patterns << QStringLiteral("*");
    out << parts[i].trimmed() + QStringLiteral(" (") + patterns.join(u' ') + u')';
  }
  return out.join(QStringLiteral(";;"));
}

namespace {

#ifndef _WIN32
// On POSIX a program is a file the user may execute, whatever its name: the first entry
// lists every name and leaves out the files without that permission. Qt's own dialog does
// this (a platform's dialog knows nothing of it).
QString ChooseProgram(QWidget* owner, const OpenFileRequest& request) {
  QStringList entries = QtFileFilter(request.filter).split(QStringLiteral(";;"));
  const QString programs = ToQ(request.filter.substr(0, request.filter.find('|'))) + QStringLiteral(" (*)");
  entries.first() = programs;
  QFileDialog dialog(owner, ToQ(request.title), QFile::decodeName(request.fileName.c_str()));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(entries);
  const QDir::Filters all = QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot;
  auto follow = [&dialog, programs, all](const QString& entry) {
    dialog.setFilter(entry == programs ? all | QDir::Executable : all);
  };
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, follow);
  dialog.selectNameFilter(programs);
  follow(programs);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}
#endif

}  // namespace

bool QtDialogs::OpenFile(const OpenFileRequest& request, std::string& chosen) {
  // Only an existing file can be chosen; the dialog is resizable and has no read-only
  // option.
  QString path;
#ifndef _WIN32
  if (request.programs)
    path = ChooseProgram(owner_, request);
  else
#endif
    path = QFileDialog::getOpenFileName(owner_, ToQ(request.title), QFile::decodeName(request.fileName.c_str()),
                                        QtFileFilter(request.filter));
  if (path.isEmpty()) return false;
  chosen = QFile::encodeName(path).toStdString();
  return true;
}

void QtDialogs::ShowProperties(const std::string& title, const PropertyRows& rows) {
  QDialog dialog(owner_);
  dialog.setWindowTitle(ToQ(title));
  dialog.resize(520, 360);
  auto* layout = new QVBoxLayout(&dialog);
  auto* table = new QTableWidget(static_cast<int>(rows.size()), 2, &dialog);
  table->setHorizontalHeaderLabels({QStringLiteral("Property"), QStringLiteral("Value")});
  table->verticalHeader()->hide();
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->horizontalHeader()->setStretchLastSection(true);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    table->setItem(static_cast<int>(i), 0, new QTableWidgetItem(ToQ(rows[i].first)));
    table->setItem(static_cast<int>(i), 1, new QTableWidgetItem(ToQ(rows[i].second)));
  }
  table->resizeColumnToContents(0);
  layout->addWidget(table);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  dialog.exec();
}

std::string WithFullStop(std::string message) {
  if (!message.empty() && message.back() != '.' && message.back() != '!' && message.back() != '?') message += '.';
  return message;
}

void InstallExceptionDisplay(QWidget* owner, std::function<std::string()> applicationTitle) {
  QPointer<QWidget> guarded(owner);
  ui::SetExceptionDisplay([guarded, title = std::move(applicationTitle)](const std::string& message) {
    QMessageBox box(QMessageBox::Critical, ToQ(title ? title() : std::string("Configurator")),
                    PlainMessage(WithFullStop(message)), QMessageBox::Ok, guarded.data());
    box.setTextFormat(Qt::PlainText);
    box.exec();
  });
}

}  // namespace bx::view
