// The questions the window asks, met with real input: the close asks for every page with
// unsaved changes, each question names its page, and a destructive one's Enter is No.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QRadioButton>
#include <QTimer>

#include "GuiWorld.h"
#include "exchange/Identity.h"
#include "view/qt/QtDialogs.h"
#include "window/Modules.h"

namespace bx::test {
namespace {

TEST(GuiQuestions, ClosingWithUnsavedSystemOptionsAsksAboutTheSystemPage) {
  struct Case {
    int answer;
    bool closes;
  };
  for (const Case c : {Case{mb::IdCancel, false}, Case{mb::IdNo, true}}) {
    GuiWorld w;
    TfrmMain& f = w.Open();
    // The adapter gave its options (the page is offered), then the user picks another
    // Bluetooth module with the mouse.
    f.Modules->identity->TakeRecordLines({"SI:B1W0N0D0"});
    w.ShowPage(f.tsSystem);
    ASSERT_TRUE(w.Activate());
    QRadioButton* option = nullptr;
    for (auto* b : w.window->WidgetFor(f.rgSYS_Bluetooth)->findChildren<QRadioButton*>())
      if (b->text() == "HC-02") option = b;
    ASSERT_NE(option, nullptr);
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
    ASSERT_TRUE(f.btSYS_Save.Enabled());
    w.dialogs.answers = {c.answer};
    EXPECT_EQ(w.window->close(), c.closes);
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].text, "Save the changes on the System page?");
    EXPECT_EQ(w.dialogs.messages[0].caption, f.Caption() + " - System...");
    EXPECT_EQ(f.Closed(), c.closes);
  }
}

// Enter on a destructive question answers No: the default button is No.
TEST(GuiQuestions, EnterOnADestructiveQuestionAnswersNo) {
  view::QtDialogs dialogs;
  for (const auto& [flags, answer] : {std::pair{mb::YesNo | mb::IconQuestion | mb::DefaultNo, mb::IdNo},
                                     std::pair{mb::YesNoCancel | mb::IconQuestion | mb::DefaultNo, mb::IdNo},
                                     std::pair{mb::YesNo | mb::IconQuestion, mb::IdYes}}) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        poll->stop();
        poll->deleteLater();
        QTest::keyClick(box, Qt::Key_Return);
      }
    });
    poll->start(10);
    EXPECT_EQ(dialogs.MessageBox("c", "Delete the device 192.168.4.1:23 from the list?", flags), answer) << flags;
  }
}

}  // namespace
}  // namespace bx::test
