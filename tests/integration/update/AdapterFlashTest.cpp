// One adapter's upload without a window, against the simulator on a pseudo-terminal:
// the session's typed result, the identity the search read and the image the bootloader
// stored, for an upload that goes well and for the ways one ends early. Every wait is
// bounded.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "flash/AdapterFlash.h"
#include "links/Link_com.h"
#include "links/VirtualPorts.h"
#include "platform/Services.h"
#include "sim/SimPty.h"
#include "support/TempFile.h"
#include "ui/EventLoop.h"

namespace bx::test {
namespace {

struct Recorder : FlashListener {
  std::vector<std::string> lines, messages;
  int pages = 0, ended = 0;
  bool identified = false;
  int Message(const std::string&, const std::string& text, int) override {
    messages.push_back(text);
    return mb::IdOk;
  }
  void Identified(const AdapterSession&) override { identified = true; }
  void Line(const std::string& line) override { lines.push_back(line); }
  void Pages(int count) override { pages = count; }
  void Ended(bool) override { ++ended; }
};

std::unique_ptr<Link> SerialLink() {
  return std::make_unique<TLink_COM>("/dev/", std::make_shared<VirtualPorts>(), false);
}

struct Case {
  const char* name;
  sim::Scenario scenario;
  FlashPlan plan;     // file: empty for the test's own image
  bool stopInUpload;  // the user's Stop once the first page is in
  bool ok;
  std::string cause;  // the start of the failure's cause
  bool handed;        // the link went to the updater
};

sim::Scenario Prompting(int delayMs) {
  sim::Scenario s;
  s.serial = "BXFLASH1";
  s.promptDelayMs = delayMs;
  return s;
}

// Each page takes the bootloader a while: a Stop after the first one lands in the
// upload however loaded the machine is.
sim::Scenario SlowPages() {
  sim::Scenario s = Prompting(100);
  s.flashDelayMs = 300;
  return s;
}

sim::Scenario Refusing() {
  sim::Scenario s = Prompting(100);
  s.trailing = "ERROR: bootloader locked";
  return s;
}

TEST(AdapterFlash, TheSessionEndsWithTheUploadsTypedResult) {
  TempFolder folder;
  const Bytes file = Pattern(80 + 256 * 6, 3);
  const std::string image = folder.Write("f.rfw", file);
  const Case cases[] = {
      {"search, prompt, every page", Prompting(100), {"", true, true}, false, true, "", true},
      {"no wait for the prompt", Prompting(-1), {"", true, false}, false, true, "", true},
      {"stopped in the upload", SlowPages(), {"", true, true}, true, false, "Firmware Update canceled...", true},
      {"bootloader refused", Refusing(), {"", true, true}, false, false, "the adapter refused", false},
      {"no such file", Prompting(100), {folder.Path() + "/none.rfw", true, true}, false, false, "Firware file", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::PtyAdapter pty(c.scenario);
    ASSERT_TRUE(pty.Start());
    ui::RealEventLoop loop;
    ui::EventLoop::SetCurrent(&loop);
    Recorder r;
    FlashPlan plan = c.plan;
    if (plan.file.empty()) plan.file = image;
    {
      AdapterFlash flash(SerialLink(), pty.SlavePath(), pty.SlavePath() + " (sim)", "Brevantix", plan, r);
      flash.Start();
      if (c.stopInUpload) {
        ASSERT_TRUE(loop.Run([&] { return flash.Updater().PagesAcknowledged() > 0 || flash.Done(); }, 10000));
        flash.Stop();
      }
      ASSERT_TRUE(loop.Run([&] { return flash.Done(); }, 15000));
      const auto& result = flash.Session().LastResult();
      ASSERT_TRUE(result.has_value());
      EXPECT_EQ(result->operation, SessionPhase::Uploading);
      EXPECT_EQ(result->ok, c.ok) << result->cause;
      EXPECT_EQ(result->cause.rfind(c.cause, 0), 0u) << result->cause;
      EXPECT_EQ(flash.Ok(), c.ok);
      EXPECT_EQ(flash.HandedToUpdater(), c.handed);
      EXPECT_EQ(r.ended, 1);
      EXPECT_FALSE(flash.Session().Busy());
      if (c.ok) {
        EXPECT_EQ(flash.Session().Identity().serial, "BXFLASH1");
        EXPECT_TRUE(r.identified);
        EXPECT_EQ(r.pages, 6);
        EXPECT_EQ(flash.Session().PagesAcknowledged(), 6);
        EXPECT_EQ(r.lines.back(), "Updating firmware : Ok");
        const auto stored = pty.adapter().Stored();
        ASSERT_TRUE(stored.has_value());
        EXPECT_TRUE(stored->image == file.substr(80));
      } else if (c.handed) {
        // The adapter stays in its bootloader: the log says how to get it out.
        EXPECT_EQ(r.lines.back(), kBootloaderHint);
      }
    }
    ui::EventLoop::SetCurrent(nullptr);
    pty.Stop();
  }
}

// A port that does not open ends the flash at once with the window's message; nothing
// is searched for.
TEST(AdapterFlash, APortThatDoesNotOpenEndsWithItsMessage) {
  TempFolder folder;
  const std::string image = folder.Write("f.rfw", Pattern(80 + 256 * 2, 1));
  ui::RealEventLoop loop;
  ui::EventLoop::SetCurrent(&loop);
  Recorder r;
  AdapterFlash flash(SerialLink(), "/dev/null-no-such-port", "/dev/null-no-such-port (gone)", "Brevantix",
                     FlashPlan{image, true, true}, r);
  flash.Start();
  ASSERT_TRUE(loop.Run([&] { return flash.Done(); }, 5000));
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0].rfind("Can't open Communication Port /dev/null-no-such-port (gone)", 0), 0u) << r.messages[0];
  EXPECT_EQ(flash.Result(), r.messages[0]);
  EXPECT_EQ(flash.EndedIn(), AdapterFlash::Stage::Searching);
  ui::EventLoop::SetCurrent(nullptr);
}

}  // namespace
}  // namespace bx::test
