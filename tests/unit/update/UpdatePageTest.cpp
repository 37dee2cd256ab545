// The Update page's controls: the Run-button rule, the options, the file choice, Reset.
#include <gtest/gtest.h>

#include "UpdateWorld.h"

namespace bx::test {
namespace {

TEST(UpdatePage, RunNeedsAFileAndAnIdentifiedAdapterUnlessDoNotSearchIsTicked) {
  UpdateWorld w;
  TfrmMain& f = w.StartAdapter();
  EXPECT_TRUE(f.rbUploadFW.Checked());
  EXPECT_TRUE(f.ckbNotSearch.Enabled());  // from the selected radio, without a click on it
  EXPECT_TRUE(f.ckbWait.Enabled());
  EXPECT_TRUE(f.ckbWait.Checked());
  EXPECT_FALSE(f.btUpdateRun.Enabled());

  w.ChooseFile(Pattern(600));
  EXPECT_FALSE(f.btUpdateRun.Enabled());  // no adapter identified yet

  f.rbUploadFW.Click();
  EXPECT_TRUE(f.ckbNotSearch.Enabled());
  EXPECT_TRUE(f.ckbWait.Enabled());
  EXPECT_FALSE(f.btUpdateRun.Enabled());
  f.ckbNotSearch.Click();
  EXPECT_TRUE(f.btUpdateRun.Enabled());
  f.ckbNotSearch.Click();
  EXPECT_FALSE(f.btUpdateRun.Enabled());

  ASSERT_TRUE(w.Identify());
  EXPECT_TRUE(f.btUpdateRun.Enabled());
  // A search that finds nothing clears the identity; the exchange's ending re-applies the rule.
  w.replies.clear();
  f.btSearch.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(f.edSerial.Text(), "");
  EXPECT_FALSE(f.btUpdateRun.Enabled());
  // A change of the port field re-applies it too.
  f.Modules->identity->ShowReply("SN:BX1");
  EXPECT_FALSE(f.btUpdateRun.Enabled());
  f.edCOM.SetText("/dev/ttyACM0");
  EXPECT_TRUE(f.btUpdateRun.Enabled());
}

TEST(UpdatePage, FileOnTheCommandLineIsShownAndRunFollowsOnceAnAdapterIsFound) {
  for (const bool notSearch : {false, true}) {
    UpdateWorld w;
    const std::string path = w.folder.Write("new.rfw", Pattern(600));
    TfrmMain& f = w.StartAdapter({path});
    EXPECT_EQ(f.edFW_File.Text(), path);
    EXPECT_EQ(f.pcOptions.ActivePage(), &f.Update);
    EXPECT_FALSE(f.btUpdateRun.Enabled());
    if (notSearch) {
      f.rbUploadFW.Click();
      f.ckbNotSearch.Click();
    } else {
      ASSERT_TRUE(w.Identify());
    }
    EXPECT_TRUE(f.btUpdateRun.Enabled()) << notSearch;
  }
}

TEST(UpdatePage, ChoosingAFileOffersTheFirmwareMaskAndRefusesAMissingOne) {
  UpdateWorld w;
  TfrmMain& f = w.StartAdapter();
  const std::string first = w.ChooseFile(Pattern(100), "a.rfw");
  ASSERT_EQ(w.dialogs.fileRequests.size(), 1u);
  EXPECT_EQ(w.dialogs.fileRequests[0].filter, "Firmware files|*.rfw|All files|*.*");
  EXPECT_EQ(f.edFW_File.Text(), first);

  w.dialogs.files.push_back("");  // cancelled
  f.btFW_File.Click();
  EXPECT_EQ(w.dialogs.fileRequests.back().fileName, first);  // starts from the current file
  EXPECT_EQ(f.edFW_File.Text(), first);
  EXPECT_TRUE(w.dialogs.messages.empty());

  const std::string missing = w.folder.Path() + "/gone.rfw";
  w.dialogs.files.push_back(missing);
  f.btFW_File.Click();
  EXPECT_EQ(f.edFW_File.Text(), first);
  ASSERT_EQ(w.dialogs.messages.size(), 1u);
  EXPECT_EQ(w.dialogs.messages[0].text, "Firware file \"" + missing + "\" is not found.");
  EXPECT_EQ(w.dialogs.messages[0].caption, f.Caption() + " - Error...");
  EXPECT_EQ(w.dialogs.messages[0].flags & mb::IconMask, mb::IconError);
}

TEST(UpdatePage, ResetSendsTheResetCommandAndSaysSoWhetherAnsweredOrNot) {
  for (const bool answered : {false, true}) {
    UpdateWorld w;
    TfrmMain& f = w.StartAdapter();
    if (answered) w.replies["!dulMAR_SC_R"] = Frame({"Reset"});
    const int64_t t0 = w.loop.NowMs();
    f.btReset.Click();
    ASSERT_TRUE(w.RunExchange());
    EXPECT_EQ(w.commands, std::vector<Bytes>{"!dulMAR_SC_R"});
    // The port is held half a second for the adapter, without blocking the window.
    EXPECT_GE(w.loop.NowMs() - t0, 500);
    EXPECT_EQ(w.loop.Slept(), 0);
    EXPECT_TRUE(w.dialogs.messages.empty());
    EXPECT_EQ(f.memUpdate.Lines(), std::vector<std::string>{"Reset sent: the adapter restarts."});
    EXPECT_EQ(f.memLog.Text(), "");
    EXPECT_FALSE(w.link.IsOpen());
  }
}

}  // namespace
}  // namespace bx::test
