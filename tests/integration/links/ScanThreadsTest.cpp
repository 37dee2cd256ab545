// The six scan threads in real time: plug and unplug seen within about a second, fresh
// waits, and the idle cost.
#include <gtest/gtest.h>

#include <cstdio>

#include "LinkTestHelpers.h"
#include "links/LinkTable.h"
#include "platform/fake/MemoryRegistry.h"
#include "support/FakeSysfs.h"

namespace bx {
namespace {

using test::Clock;
using test::ElapsedMs;

bool Listed(const LinkTable& t, const std::string& name) {
  PortLists l = t.CollectPorts();
  return std::find(l.Names.begin(), l.Names.end(), name) != l.Names.end();
}

TEST(ScanThreads, APluggedAdapterAppearsWithinASecondAndGoesWhenPulled) {
  test::FakeSysfs fs;
  LinkConfig c;
  c.sysRoot = fs.sys();
  c.devRoot = fs.dev();
  LinkTable t(c);
  ASSERT_TRUE(t.WaitScanAll(false));
  const std::string port = fs.dev() + "/ttyUSB0";
  EXPECT_FALSE(Listed(t, port));

  fs.PlugUsbSerial("ttyUSB0");
  auto start = Clock::now();
  ASSERT_TRUE(test::WaitFor([&] { return Listed(t, port); }, 2000));
  EXPECT_LE(ElapsedMs(start), kSerialScanIntervalMs + test::ScaledMs(300));
  PortLists l = t.CollectPorts();
  EXPECT_EQ(l.Descriptions[0], "FT232R USB UART");

  fs.Unplug("ttyUSB0");
  start = Clock::now();
  ASSERT_TRUE(test::WaitFor([&] { return !Listed(t, port); }, 2000));
  EXPECT_LE(ElapsedMs(start), kSerialScanIntervalMs + test::ScaledMs(300));
}

TEST(ScanThreads, AFreshWaitSeesAChangeMadeJustBefore) {
  MemoryRegistry reg;
  LinkConfig c;
  c.registry = &reg;
  c.sysRoot = "/nonexistent-sysfs-root";
  LinkTable t(c);
  ASSERT_TRUE(t.WaitScanAll(false));
  reg.WriteString(Hive::LocalMachine, std::string(kSettingsKeyPath) + "\\Network", "Net0", "Bench m1 127.0.0.1 2323");
  auto start = Clock::now();
  std::vector<std::string> entries = t.Net().SavedEntries();  // Lock(true) ... Unlock
  EXPECT_LT(ElapsedMs(start), test::ScaledMs(500));             // the scan is woken, not waited for
  EXPECT_EQ(entries, (std::vector<std::string>{"Bench m1 127.0.0.1 2323"}));
  EXPECT_TRUE(Listed(t, "NET:127.0.0.1:2323"));
  t.AddVirtualPort("/tmp/ttyV0", "Simulated Brevantix Adapter");
  ASSERT_TRUE(t.WaitScanAll(true));
  EXPECT_TRUE(Listed(t, "/tmp/ttyV0"));
}

TEST(ScanThreads, TheTableEndsItsThreadsPromptly) {
  LinkConfig c;
  c.sysRoot = "/nonexistent-sysfs-root";
  auto t = LinksCreate(c);
  ASSERT_TRUE(t->WaitScanAll(false));
  auto start = Clock::now();
  LinksDestroy(t);
  EXPECT_EQ(t, nullptr);
  EXPECT_LT(ElapsedMs(start), test::ScaledMs(500));
}


// Six links scanning the machine's own sysfs and a settings store, nothing open.
TEST(ScanThreads, IdleCostStaysUnderOnePercentOfOneCore) {
  MemoryRegistry reg;
  reg.WriteString(Hive::LocalMachine, std::string(kSettingsKeyPath) + "\\Network", "Net0", "A m 127.0.0.1 23");
  LinkConfig c;
  c.registry = &reg;
  c.virtualPorts = {{"/dev/pts/0", "Simulated Brevantix Adapter", ""}};
  LinkTable t(c);
  ASSERT_TRUE(t.WaitScanAll(false));
  double cpu = test::CpuMs();
  auto start = Clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(3000));
  double percent = 100.0 * (test::CpuMs() - cpu) / static_cast<double>(ElapsedMs(start));
  std::printf("idle CPU of the six scan threads: %.3f%% of one core\n", percent);
  RecordProperty("idle_cpu_percent", std::to_string(percent));
  EXPECT_LT(percent, test::Scaled(1.0));  // a sanitizer multiplies every cost
}

}  // namespace
}  // namespace bx
