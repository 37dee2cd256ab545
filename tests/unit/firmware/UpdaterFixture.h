#pragma once
// An updater wired to a scripted link, the three report controls and virtual time.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TempFile.h"
#include "core/Bytes.h"
#include "firmware/Unitfwupdate.h"
#include "support/BootMessages.h"
#include "support/ScriptedLink.h"
#include "ui/Controls.h"
#include "ui/EventLoop.h"

namespace bx::test {

class UpdaterTest : public ::testing::Test {
 protected:
  struct Message {
    std::string caption, text;
    int flags;
  };

  UpdaterTest() { ui::EventLoop::SetCurrent(&loop); }
  ~UpdaterTest() override { ui::EventLoop::SetCurrent(nullptr); }

  // Starts on a file holding `contents`.
  bool Start(const Bytes& contents, bool waitForPrompt = false) {
    fileName = folder.Write("image.rfw", contents);
    return StartFile(fileName, waitForPrompt);
  }
  bool StartFile(const std::string& path, bool waitForPrompt = false) {
    auto owner = [this](const std::string& caption, const std::string& text, int flags) {
      messages.push_back({caption, text, flags});
      return 1;
    };
    return updater.Start(owner, link, path, progress, status, memo, waitForPrompt);
  }
  // The bootloader sends bytes; the wake runs them at once, as the event loop would.
  void Send(const Bytes& bytes) {
    link.Receive(bytes);
    loop.RunPosted();
  }
  // Connect acknowledged and header answered at once: the updater waits for requests.
  void ToPageRequests(const Bytes& contents, uint16_t pageSize) {
    ASSERT_TRUE(Start(contents));
    Send(kConnectAck);
    Send(HeaderReply(pageSize));
    ASSERT_EQ(updater.State(), UpdaterState::WaitPageRequest);
    link.writes.clear();
    memo.Clear();
  }
  std::vector<std::string> Log() const { return memo.Lines(); }

  ui::VirtualEventLoop loop;
  TempFolder folder;
  ScriptedLink link;
  ui::TProgressBar progress{"pbUpdateProgress", nullptr};
  ui::TEdit status{"edUpdateSatus", nullptr};
  ui::TMemo memo{"memUpdate", nullptr};
  std::vector<Message> messages;
  std::string fileName;
  FirmwareUpdater updater;  // last: stopped before the link and controls go
};

}  // namespace bx::test
