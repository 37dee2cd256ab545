// One adapter's operations without a window, against the simulator on a pseudo-terminal:
// the search, a mode switch, the self-test, the hardware options, the WiFi record read
// and saved, the driver's installation and the reset, each with its typed result and what
// the session then knows. No control is involved; every wait is bounded.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "device/AdapterDevice.h"
#include "links/LinkFinder.h"
#include "links/Link_com.h"
#include "links/VirtualPorts.h"
#include "passthru/DriverInstaller.h"
#include "passthru/PassThruServices.h"
#include "platform/fake/MemoryRegistry.h"
#include "settings/Settings.h"
#include "sim/SimPty.h"
#include "support/TempFile.h"
#include "support/TimeScale.h"
#include "ui/EventLoop.h"
#include "wifi/WiFiRecord.h"

namespace bx::test {
namespace {

struct Lines : DeviceListener {
  std::vector<std::string> lines;
  int ended = 0;
  void Line(const std::string& line) override { lines.push_back(line); }
  void Ended(bool) override { ++ended; }
};

// The driver's installation beside the device, on the device's port: a link of its own,
// the log kept, the progress's last position.
struct DriverSetup : LinkFinder, InstallDisplay {
  DriverSetup(AdapterDevice& d, const std::string& port)
      : port(port),
        services{.settings = settings,
                 .productName = product,
                 .companyName = company,
                 .programPath = "/opt/brevantix/brevantix-configurator",
                 .session = d.Session(),
                 .messageBox =
                     [this](const std::string&, const std::string& text, int) {
                       log.push_back(text);
                       return 0;
                     },
                 .shell = nullptr,
                 .libraries = nullptr,
                 .archives = nullptr,
                 .folders = Folders(temp.Path()),
                 .selectedPort = [this] { return this->port; },
                 .selectedPortText = {},
                 .portListClick = {},
                 .writeFile = {},
                 .busyRefusal = {}} {
    installer.Connect(this);
  }
  static UserFolders Folders(const std::string& root) {
    UserFolders f;
    f.dataDir = root + "/data";
    f.home = root;
    return f;
  }
  Link* FindLink(const std::string&) override {
    link = std::make_unique<TLink_COM>("/dev/", std::make_shared<VirtualPorts>(), false);
    return link.get();
  }
  void Line(const std::string& text) override { log.push_back(text); }
  void Progress(int position, bool) override { progress = position; }
  void Checked(const DriverInstaller&) override {}

  std::string port, product = "Brevantix", company = "Brevantix Ltd";
  TempFolder temp;
  MemoryRegistry registry;
  Settings settings{registry};
  std::unique_ptr<Link> link;
  std::vector<std::string> log;
  int progress = -1;
  PassThruServices services;
  DriverInstaller installer{services, *this};
};

// The simulator on a pseudo-terminal and a device on it, on an event loop of the test's.
struct DeviceWorld {
  explicit DeviceWorld(sim::Scenario scenario = sim::Scenario()) : pty(std::move(scenario)) {
    EXPECT_TRUE(pty.Start());
    ui::EventLoop::SetCurrent(&loop);
    device = std::make_unique<AdapterDevice>(
        std::make_unique<TLink_COM>("/dev/", std::make_shared<VirtualPorts>(), false), pty.SlavePath(),
        pty.SlavePath() + " (sim)", "Brevantix", &listener);
  }
  ~DeviceWorld() {
    device.reset();
    ui::EventLoop::SetCurrent(nullptr);
    pty.Stop();
  }
  // Runs one operation to its end; its result.
  OperationResult Run(bool started, int64_t limitMs = 15000) {
    EXPECT_TRUE(started);
    EXPECT_TRUE(loop.Run([&] { return !device->Running(); }, ScaledMs(limitMs)));
    const auto& r = device->Session().LastResult();
    return r ? *r : OperationResult{};
  }
  sim::PtyAdapter pty;
  ui::RealEventLoop loop;
  Lines listener;
  std::unique_ptr<AdapterDevice> device;
};

TEST(AdapterDevice, EveryOperationEndsWithItsTypedResult) {
  sim::Scenario s;
  s.serial = "BXDEV001";
  s.testDurationMs = 300;
  s.testSteps = 3;
  s.testWarnings = 1;
  s.optB = 1, s.optW = 2, s.optN = 1, s.optD = 0;
  DeviceWorld w(s);
  AdapterDevice& d = *w.device;

  OperationResult r = w.Run(d.Search());
  EXPECT_EQ(r.operation, SessionPhase::Searching);
  ASSERT_TRUE(r.ok) << r.cause;
  const IdentityRecord& id = d.Session().Identity();
  EXPECT_EQ(id.serial, "BXDEV001");
  EXPECT_EQ(id.firmware, "3.2.1.7");
  EXPECT_EQ(id.hardware, "BX-2 Rev C");
  EXPECT_EQ(d.Session().Battery(), "12.6V");
  EXPECT_EQ(id.passThruVersion, "4.4.12");
  ASSERT_GE(id.modes.size(), 4u);
  EXPECT_EQ(id.modes[1].id, "01");
  EXPECT_EQ(id.modes[1].description, "J2534 Pass-Thru");
  EXPECT_EQ(d.Session().RunningMode(), "01");
  EXPECT_EQ(d.Session().PortShown(), w.pty.SlavePath() + " (sim)");

  r = w.Run(d.SelectMode("02"));
  EXPECT_EQ(r.operation, SessionPhase::Selecting);
  EXPECT_TRUE(r.ok) << r.cause;
  EXPECT_EQ(d.Session().RunningMode(), "02");
  EXPECT_FALSE(d.Session().Identity().modes.empty());

  const std::size_t echoedBefore = w.listener.lines.size();
  r = w.Run(d.SelfTest());
  EXPECT_EQ(r.operation, SessionPhase::SelfTest);
  EXPECT_TRUE(r.ok) << r.cause;
  ASSERT_TRUE(d.TestVerdict().has_value());
  EXPECT_EQ(d.TestVerdict()->errors, 0);
  EXPECT_EQ(d.TestVerdict()->warnings, 1);
  EXPECT_EQ(d.TestLog().back(), "RESULT : Warning");
  EXPECT_GT(w.listener.lines.size(), echoedBefore) << "the log comes line by line";

  r = w.Run(d.ReadSystem());
  EXPECT_TRUE(r.ok) << r.cause;
  ASSERT_TRUE(d.System().has_value());
  EXPECT_EQ(d.System()->bluetooth, 1);
  EXPECT_EQ(d.System()->wireless, 2);
  EXPECT_FALSE(d.System()->msd);

  SystemOptions wanted = *d.System();
  wanted.msd = true;
  wanted.bluetooth = 2;
  r = w.Run(d.SaveSystem(wanted));
  EXPECT_TRUE(r.ok) << r.cause;
  EXPECT_TRUE(d.System()->msd);
  EXPECT_EQ(d.System()->bluetooth, 2);
  r = w.Run(d.ReadSystem());
  EXPECT_EQ(d.System()->bluetooth, 2) << "the adapter keeps what was saved";

  r = w.Run(d.Command("WC"));
  EXPECT_TRUE(r.ok) << r.cause;
  ASSERT_TRUE(d.Session().Identity().wifiRecord.has_value());
  EXPECT_NE(d.Session().Identity().wifiRecord->find("WSBID=BX-WSB-0017"), std::string::npos);
  // The WiFi page's Save of one changed entry, then its Read: the adapter keeps it.
  const std::string save = WiFiSaveCommand(
      [](const WiFiEntry& e) {
        return e.key == std::string("ALIAS") ? std::optional<std::string>("Bench-7") : std::nullopt;
      },
      true);
  EXPECT_EQ(save, "WC?ALIAS=Bench-7");
  r = w.Run(d.Command(save));
  EXPECT_TRUE(r.ok) << r.cause;
  r = w.Run(d.Command("WC"));
  ASSERT_TRUE(d.Session().Identity().wifiRecord.has_value());
  WiFiRecord record;
  record.Apply(*d.Session().Identity().wifiRecord);
  EXPECT_EQ(record.Value(*FindWiFiEntry("ALIAS")), "Bench-7");

  {
    DriverSetup driver(d, w.pty.SlavePath());
    ASSERT_EQ(driver.installer.Install(), InstallResult::Installed) << driver.installer.LastError();
    r = *d.Session().LastResult();
    EXPECT_EQ(r.operation, SessionPhase::InstallingDriver);
    EXPECT_TRUE(r.ok) << r.cause;
    EXPECT_FALSE(d.Session().Busy());
    EXPECT_EQ(driver.installer.InstalledVersion(), "4.4.12");
    EXPECT_TRUE(driver.installer.UpToDate());
    EXPECT_EQ(driver.progress, kInstallProgressMax);
    EXPECT_EQ(driver.registry.ReadString(
                  Hive::LocalMachine, "SOFTWARE\\PassThruSupport.04.04\\Brevantix Ltd - Brevantix", "FunctionLibrary"),
              driver.installer.DriverPath());
  }

  r = w.Run(d.Reset());
  EXPECT_TRUE(r.ok) << r.cause;
  EXPECT_FALSE(d.Answered());
  r = w.Run(d.Search());
  EXPECT_TRUE(r.ok) << "the adapter answers again after its reset: " << r.cause;
  EXPECT_EQ(w.listener.ended, 11) << "the installation is the session's, not the device's";
}

// The ways an operation ends without what it asked for: a typed failure each, in the
// words the window shows.
TEST(AdapterDevice, FailuresNameTheirCause) {
  {
    sim::Scenario silent;
    silent.silent = {sim::SilenceRule{"*", -1}};
    DeviceWorld w(silent);
    const OperationResult r = w.Run(w.device->Search(), 20000);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.cause, "Brevantix Adapter is not found on Communication Port " + w.pty.SlavePath() + " (sim)");
  }
  {
    DeviceWorld w;
    ASSERT_TRUE(w.device->Search());
    EXPECT_FALSE(w.device->SelfTest()) << "one operation at a time";
    w.device->Stop();
    EXPECT_FALSE(w.device->Running());
    EXPECT_EQ(w.device->Session().LastResult()->cause, "stopped");
  }
  {
    ui::RealEventLoop loop;
    ui::EventLoop::SetCurrent(&loop);
    AdapterDevice d(std::make_unique<TLink_COM>("/dev/", std::make_shared<VirtualPorts>(), false),
                    "/dev/null-no-such-port", "/dev/null-no-such-port (gone)", "Brevantix");
    ASSERT_TRUE(d.Search());
    ASSERT_TRUE(loop.Run([&] { return !d.Running(); }, ScaledMs(5000)));
    EXPECT_EQ(d.Session().LastResult()->cause.rfind("Can't open Communication Port /dev/null-no-such-port (gone)", 0),
              0u);
    ui::EventLoop::SetCurrent(nullptr);
  }
}

}  // namespace
}  // namespace bx::test
