// "Save changes?" answered Yes at close: the WiFi save runs as an exchange, and the window
// waits for it before the links go; a save that does not reach the adapter keeps the
// window open with the changes still marked.
#include <gtest/gtest.h>

#include "support/AdapterWorld.h"
#include "wifi/WiFiPage.h"

namespace bx {
namespace {

using test::AdapterWorld;
using test::Frame;

const std::string kSave = "!dulMAR_SC_WC?ALIAS=Kept";
const char* const kNotReached = "The changes did not reach the adapter; the window stays open.";

TEST(CloseWithPendingChanges, YesWaitsForTheWiFiSaveAndKeepsTheWindowWhenItFails) {
  struct Case {
    const char* name;
    bool answered;  // the adapter answers the save
    bool busy;      // another exchange holds the adapter when the window closes
    bool closes;
    std::vector<std::string> told;  // the messages after the save question
  };
  const std::string notFound = "Brevantix Adapter is not found on Communication Port /dev/ttyACM0 (USB Serial)";
  const Case cases[] = {
      {"the adapter takes the save", true, false, true, {}},
      {"the adapter is silent", false, false, false, {notFound, kNotReached}},
      {"another operation runs", true, true, false, {BusyRefusal("Save")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AdapterWorld w;
    TfrmMain& f = w.StartWithPort();
    f.Modules->wifi->Show();
    f.edWiFi_Alias.UserType("Kept");
    bool writtenBeforeClose = false;
    w.link.onWrite = [&](const Bytes& b) {
      w.commands.push_back(b);
      if (b != kSave) return;
      writtenBeforeClose = !w.form->Closed() && w.link.IsOpen();
      if (c.answered) w.link.Receive(Frame({"OK"}), false);
    };
    if (c.busy) {
      ASSERT_TRUE(w.Ex().Start(test::Request(Operation::DeviceCommand, "S", true)));
    }
    w.dialogs.answers = {mb::IdYes};
    EXPECT_EQ(w.Close(), c.closes);
    ASSERT_GE(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].text, "Save the changes on the WiFi page?");
    std::vector<std::string> told;
    for (std::size_t i = 1; i < w.dialogs.messages.size(); ++i) {
      const std::string& text = w.dialogs.messages[i].text;
      told.push_back(text.substr(0, text.find("\r\n")));  // the message, without what to check
    }
    EXPECT_EQ(told, c.told);
    EXPECT_EQ(w.Count(kSave), c.busy ? 0 : 1);
    if (c.closes) {
      EXPECT_TRUE(writtenBeforeClose);
      EXPECT_TRUE(w.registry.ReadInteger(Hive::CurrentUser, kSettingsKey, "WinTop").has_value());
      continue;
    }
    // Still open, the change still unsaved: the next close asks again.
    EXPECT_TRUE(f.btWiFi_Save.Enabled());
    EXPECT_EQ(f.edWiFi_Alias.Tag, 1);
    EXPECT_FALSE(w.registry.ReadInteger(Hive::CurrentUser, kSettingsKey, "WinTop").has_value());
    ASSERT_TRUE(w.RunExchange());
    w.dialogs.answers = {mb::IdNo};
    EXPECT_TRUE(w.Close());
  }
}

}  // namespace
}  // namespace bx
