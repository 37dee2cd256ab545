// Uploads from the window to the simulated adapter over a pseudo-terminal: what the
// simulator stores must be byte for byte the whole pages of the file.
#include <gtest/gtest.h>

#include "SimWindow.h"
#include "core/Sha256.h"
#include "session/AdapterSession.h"

namespace bx::test {
namespace {

Bytes WholePages(const Bytes& file, std::size_t from, std::size_t pageSize) {
  const std::size_t n = (file.size() - from) / pageSize;
  return file.substr(from, n * pageSize);
}

TEST(Upload, DemoImageIsStoredByteForByteWithWaitForThePrompt) {
  SimWindow w;
  ASSERT_TRUE(w.Start());
  const std::string demo = std::string(BX_SOURCE_DIR) + "/resources/demo/demo.rfw";
  Bytes file;
  ASSERT_TRUE(TfrmMain::ReadWholeFile(demo, file));
  ASSERT_TRUE(w.StartUpload(demo));
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(w.form->edUpdateSatus.Text(), "Updating firmware : Ok");
  EXPECT_EQ(w.Log().front(), "Waiting Connection...");
  EXPECT_EQ(w.form->btUpdateRun.Caption(), "Run");
  const auto stored = w.pty.adapter().Stored();
  ASSERT_TRUE(stored.has_value());
  const Bytes expected = WholePages(file, 80, 256);
  EXPECT_EQ(stored->header, file.substr(0, 80));
  EXPECT_TRUE(stored->extension.empty());
  EXPECT_EQ(stored->pages, static_cast<int>(expected.size() / 256));
  EXPECT_EQ(stored->sha256, Sha256Hex(expected));
  EXPECT_TRUE(stored->image == expected);
  // The demo image is whole pages, and the adapter then runs the version its header names.
  EXPECT_EQ(expected.size(), file.size() - 80);
  for (const std::string& line : w.Log()) EXPECT_EQ(line.find("are not sent"), std::string::npos) << line;
  ASSERT_TRUE(w.Search());
  EXPECT_EQ(w.form->edVersion.Text(), "0.0.1");
}

TEST(Upload, BootloaderThatExpectsTheExtensionBlockGetsPagesFromByte265) {
  sim::Scenario s = SimWindow::DefaultScenario();
  s.headerExtension = true;
  s.pageSize = 128;
  SimWindow w(s);
  ASSERT_TRUE(w.Start());
  const Bytes file = Pattern(80 + 184 + 128 * 150 + 50, 7);
  const std::string path = w.folder.Write("ext.rfw", file);
  ASSERT_TRUE(w.Search());
  w.ChooseFile(path);
  w.form->rbUploadFW.Click();
  w.form->ckbWait.Click();  // connect at once
  w.form->btUpdateRun.Click();
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(w.form->edUpdateSatus.Text(), "Updating firmware : Ok");
  const auto stored = w.pty.adapter().Stored();
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->extension, file.substr(80, 184));
  EXPECT_EQ(stored->sha256, Sha256Hex(WholePages(file, 264, 128)));
  EXPECT_EQ(stored->pages, 150);
}

TEST(Upload, ThreeRefusalsOfAPageAreRetriedAndTheFourthEndsTheUpload) {
  const Bytes file = Pattern(80 + 256 * 12, 3);
  {
    sim::Scenario s = SimWindow::DefaultScenario();
    s.nakPages = {{2, 3}, {9, 1}};
    SimWindow w(s);
    ASSERT_TRUE(w.Start());
    ASSERT_TRUE(w.StartUpload(w.folder.Write("nak.rfw", file)));
    ASSERT_TRUE(w.RunExchange());
    EXPECT_EQ(w.form->edUpdateSatus.Text(), "Updating firmware : Ok");
    for (const char* line : {"Writing Page #2 : Retry 1", "Writing Page #2 : Retry 2", "Writing Page #2 : Retry 3",
                             "Writing Page #9 : Retry 1"})
      EXPECT_TRUE(w.Logged(line)) << line;
    EXPECT_FALSE(w.Logged("Writing Page #9 : Retry 2"));  // the acknowledgement of page 2 reset the count
    const auto stored = w.pty.adapter().Stored();
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->sha256, Sha256Hex(WholePages(file, 80, 256)));
  }
  {
    sim::Scenario s = SimWindow::DefaultScenario();
    s.nakPages = {{4, 4}};
    SimWindow w(s);
    ASSERT_TRUE(w.Start());
    ASSERT_TRUE(w.StartUpload(w.folder.Write("nak4.rfw", file)));
    ASSERT_TRUE(w.RunExchange());
    EXPECT_EQ(w.form->edUpdateSatus.Text(), "Writing Page #4 : Error");
    EXPECT_TRUE(w.LogEndsWith({"Writing Page #4 : Error", kBootloaderHint}));
    EXPECT_FALSE(w.pty.adapter().Stored().has_value());
    EXPECT_EQ(w.form->btUpdateRun.Caption(), "Run");
  }
}

// The simulator hangs the line up in the middle of a page, over the pseudo-terminal: the
// upload ends at once with the page and the reason, and the window is itself again.
TEST(Upload, LineDroppedInMidUploadEndsItWithTheHangUpOfItsPage) {
  sim::Scenario s = SimWindow::DefaultScenario();
  s.disconnectAfterRx = 1 + 83 + 30 * (5 + 256) + 100;  // in the middle of page 30
  SimWindow w(s);
  ASSERT_TRUE(w.Start());
  ASSERT_TRUE(w.StartUpload(w.folder.Write("drop.rfw", Pattern(80 + 256 * 100, 5))));
  ASSERT_TRUE(w.RunExchange(10000)) << "the hang-up was not noticed";
  EXPECT_GT(w.pty.Generation(), 0);
  const std::string line = "Writing Page #30 : Error (the adapter hung up)";
  EXPECT_EQ(w.form->edUpdateSatus.Text(), line);
  // The adapter went away in its bootloader: Reset is what brings it back.
  EXPECT_TRUE(w.LogEndsWith({line, kBootloaderHint}));
  EXPECT_FALSE(w.Logged("Updating firmware : Ok"));
  EXPECT_FALSE(w.Updater().IsRunning());
  EXPECT_FALSE(w.Ex().ActiveLink()->IsOpen());
  EXPECT_EQ(w.form->btUpdateRun.Caption(), "Run");
  EXPECT_TRUE(w.form->pcOptions.Enabled());
  EXPECT_FALSE(w.pty.adapter().Stored().has_value());
}

// Install Driver during an upload is refused before anything reaches the adapter: the
// driver request would land in the bootloader session and close the upload's port.
TEST(Upload, InstallDriverDuringTheUploadIsRefusedAndTheUploadEndsOk) {
  SimWindow w;
  ASSERT_TRUE(w.Start());
  ASSERT_TRUE(w.StartUpload(w.folder.Write("busy.rfw", Pattern(80 + 256 * 40, 3))));
  ASSERT_TRUE(w.loop.Run([&] { return w.Ex().State() == ExchangeState::UpdateRunning; }, 4000));
  ASSERT_FALSE(w.form->Modules->session->Identity().passThruVersion.empty());
  w.form->btJ2534_Install.Click();
  EXPECT_EQ(w.form->memJ2534.Lines().back(), BusyRefusal("Install Driver"));
  ASSERT_TRUE(w.RunExchange());
  EXPECT_EQ(w.form->edUpdateSatus.Text(), "Updating firmware : Ok");
  const auto stored = w.pty.adapter().Stored();
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->pages, 40);
}

}  // namespace
}  // namespace bx::test
