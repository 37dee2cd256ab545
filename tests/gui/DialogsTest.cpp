// The Qt dialogs answer with what the user pressed. A timer plays the user: it finds
// the modal dialog once it is open and presses a button.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "ui/Controls.h"
#include "view/qt/QtClipboard.h"
#include "view/qt/QtDialogs.h"

namespace bx::test {
namespace {

// Runs `user` on the modal dialog of type D as soon as one is open.
template <class D>
void WhenOpen(std::function<void(D*)> user) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, user] {
    if (auto* d = qobject_cast<D*>(QApplication::activeModalWidget())) {
      poll->stop();
      poll->deleteLater();
      user(d);
    }
  });
  poll->start(10);
}

TEST(GuiDialogs, MessageBoxesShowTheirIconAndButtonsAndReportThePressedOne) {
  view::QtDialogs dialogs;
  QMessageBox::Icon icon{};
  QString caption;
  WhenOpen<QMessageBox>([&](QMessageBox* box) {
    icon = box->icon();
    caption = box->windowTitle();
    EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    box->button(QMessageBox::Cancel)->click();
  });
  EXPECT_EQ(dialogs.MessageBox("Configurator - Network Search...", "Save changes?", mb::YesNoCancel | mb::IconQuestion),
            mb::IdCancel);
  EXPECT_EQ(icon, QMessageBox::Question);
  EXPECT_EQ(caption, "Configurator - Network Search...");

  WhenOpen<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
  EXPECT_EQ(dialogs.MessageBox("c", "Are you sure?", mb::YesNo | mb::IconQuestion), mb::IdYes);
  WhenOpen<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
  EXPECT_EQ(dialogs.MessageBox("c", "Are you sure?", mb::YesNo | mb::IconQuestion), mb::IdNo);
  WhenOpen<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
  EXPECT_EQ(dialogs.MessageBox("c", "Save changes?", mb::YesNoCancel | mb::IconQuestion), mb::IdCancel);
  WhenOpen<QMessageBox>([](QMessageBox* box) { box->reject(); });  // closed some other way
  EXPECT_EQ(dialogs.MessageBox("c", "Are you sure?", mb::YesNo | mb::IconQuestion), mb::IdNo);

  WhenOpen<QMessageBox>([&](QMessageBox* box) {
    icon = box->icon();
    EXPECT_EQ(box->text(), "line one\nline two");
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    box->button(QMessageBox::Ok)->click();
  });
  EXPECT_EQ(dialogs.MessageBox("c", "line one\r\nline two", mb::Ok | mb::IconError), mb::IdOk);
  EXPECT_EQ(icon, QMessageBox::Critical);
}

TEST(GuiDialogs, TheExceptionDisplayShowsTheMessageWithAFullStop) {
  view::InstallExceptionDisplay(nullptr, [] { return std::string("Brevantix Configurator Version 3.0.3.2"); });
  QString caption, text;
  QMessageBox::Icon icon{};
  WhenOpen<QMessageBox>([&](QMessageBox* box) {
    caption = box->windowTitle();
    text = box->text();
    icon = box->icon();
    box->accept();
  });
  ui::Invoke([] { throw std::runtime_error("Failed to set data for 'WinTop'"); });
  ui::SetExceptionDisplay({});
  EXPECT_EQ(caption, "Brevantix Configurator Version 3.0.3.2");
  EXPECT_EQ(text, "Failed to set data for 'WinTop'.");
  EXPECT_EQ(icon, QMessageBox::Critical);
}

TEST(GuiDialogs, OpenFileOffersTheFilterAndReturnsTheChosenPath) {
  const std::string dir = QDir::tempPath().toStdString() + "/bx-gui-open";
  QDir().mkpath(QString::fromStdString(dir));
  const std::string file = dir + "/image.rfw";
  std::ofstream(file) << "x";
  view::QtDialogs dialogs;
  OpenFileRequest r;
  r.filter = "Firmware files|*.rfw|All files|*.*";
  r.fileName = file;
  QStringList filters;
  QFileDialog::FileMode mode{};
  WhenOpen<QFileDialog>([&](QFileDialog* d) {
    filters = d->nameFilters();
    mode = d->fileMode();
    d->selectFile(QString::fromStdString(file));
    QMetaObject::invokeMethod(d, "accept");
  });
  std::string chosen;
  ASSERT_TRUE(dialogs.OpenFile(r, chosen));
  EXPECT_EQ(chosen, file);
  EXPECT_EQ(filters, QStringList({"Firmware files (*.rfw *.RFW)", "All files (*)"}));
  EXPECT_EQ(mode, QFileDialog::ExistingFile);

  WhenOpen<QFileDialog>([](QFileDialog* d) { d->reject(); });
  chosen.clear();
  EXPECT_FALSE(dialogs.OpenFile(r, chosen));
  EXPECT_TRUE(chosen.empty());
}

// A program to link to a mode: the first entry lists the files the user may execute,
// whatever their names ("*.exe" means nothing here); "All files" lists every file.
TEST(GuiDialogs, TheProgramEntryListsExecutableFiles) {
  const std::string dir = QDir::tempPath().toStdString() + "/bx-gui-programs";
  QDir().mkpath(QString::fromStdString(dir));
  const std::string tool = dir + "/tool";
  std::ofstream(tool) << "#!/bin/sh\n";
  QFile::setPermissions(QString::fromStdString(tool), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  view::QtDialogs dialogs;
  OpenFileRequest r;
  r.filter = "Executable files|*.exe;*.bat;*.cmd|All files|*.*";
  r.programs = true;
  r.fileName = tool;
  QStringList filters;
  bool executablesFirst = false, everythingAfter = false;
  WhenOpen<QFileDialog>([&](QFileDialog* d) {
    filters = d->nameFilters();
    executablesFirst = d->selectedNameFilter() == filters.value(0) && (d->filter() & QDir::Executable);
    auto* types = d->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    types->setCurrentIndex(1);
    Q_EMIT types->activated(1);  // as the user's choice does
    Q_EMIT types->textActivated(types->currentText());
    everythingAfter = !(d->filter() & QDir::Executable);
    d->selectFile(QString::fromStdString(tool));
    QMetaObject::invokeMethod(d, "accept");
  });
  std::string chosen;
  ASSERT_TRUE(dialogs.OpenFile(r, chosen));
  EXPECT_EQ(chosen, tool);
  EXPECT_EQ(filters, QStringList({"Executable files (*)", "All files (*)"}));
  EXPECT_TRUE(executablesFirst);
  EXPECT_TRUE(everythingAfter);
}

TEST(GuiDialogs, PropertiesAreListedInTwoColumns) {
  view::QtDialogs dialogs;
  int rows = 0;
  QString value, title;
  WhenOpen<QDialog>([&](QDialog* d) {
    title = d->windowTitle();
    auto* table = d->findChild<QTableWidget*>();
    ASSERT_NE(table, nullptr);
    rows = table->rowCount();
    value = table->item(1, 1)->text();
    d->reject();
  });
  dialogs.ShowProperties("/dev/ttyACM0", {{"DEVNAME", "/dev/ttyACM0"}, {"ID_MODEL", "Brevantix_Adapter"}});
  EXPECT_EQ(title, "/dev/ttyACM0");
  EXPECT_EQ(rows, 2);
  EXPECT_EQ(value, "Brevantix_Adapter");
}

TEST(GuiDialogs, TheClipboardCarriesLineFeeds) {
  view::QtClipboard clipboard;
  clipboard.SetText("SN:1\r\nFW:2\r\n");
  EXPECT_EQ(clipboard.Text(), "SN:1\nFW:2\n");
}

}  // namespace
}  // namespace bx::test
