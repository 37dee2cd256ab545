// Saving the network list over what other processes stored since it was loaded: the
// merge rules case by case, and saves of several processes interleaved at random against
// a model that knows which process changed which device last.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "core/Bytes.h"
#include "settings/Settings.h"
#include "netdev/DeviceStore.h"
#include "platform/fake/MemoryRegistry.h"

namespace bx {
namespace {

using Lines = std::vector<std::string>;

std::string Line(const std::string& name, int host, bool disabled = false) {
  return (disabled ? "~" : "") + name + "  10.0.0." + std::to_string(host) + " 23";
}

TEST(DeviceListMerge, EachProcessKeepsItsOwnChangesAndTheOthers) {
  const std::string a = Line("A", 1), b = Line("B", 2), c = Line("C", 3);
  struct Case {
    const char* name;
    Lines loaded, mine, stored, merged;
  } cases[] = {
      {"nothing changed anywhere", {a, b}, {a, b}, {a, b}, {a, b}},
      {"an addition of each", {a}, {a, b}, {a, c}, {a, b, c}},
      {"another process deleted one", {a, b}, {a, b, c}, {b}, {b, c}},
      {"this process deleted one the other kept", {a, b}, {b}, {a, b, c}, {b, c}},
      {"this process deleted one the other renamed", {a, b}, {b}, {Line("A2", 1), b}, {b}},
      {"the other renamed one this one left alone", {a, b}, {a, b}, {Line("A2", 1), b}, {Line("A2", 1), b}},
      {"both renamed one: this later edit wins", {a}, {Line("Mine", 1)}, {Line("Theirs", 1)}, {Line("Mine", 1)}},
      {"this one disabled what the other renamed", {a}, {Line("A", 1, true)}, {Line("A2", 1)}, {Line("A", 1, true)}},
      {"both added the same device", {}, {a}, {Line("A", 1, true)}, {a}},
      {"a stored line that is no device line stays", {"junk"}, {"junk", a}, {"junk", b}, {"junk", a, b}},
      {"two devices on one address stay apart",
       {a, Line("A2", 1)},
       {a, Line("A2", 1), b},
       {a, Line("A2", 1), c},
       {a, Line("A2", 1), b, c}},
      {"a stored list that was emptied", {a, b}, {a, b, c}, {}, {c}},
  };
  for (const Case& k : cases) EXPECT_EQ(MergeLines(k.loaded, k.mine, k.stored), k.merged) << k.name;
}

TEST(DeviceListMerge, TheSaveReadsMergesAndWritesInOneTransactionOfTheStore) {
  MemoryRegistry reg;
  DeviceStore store(reg, kSettingsKey);
  store.WriteLines({Line("A", 1)});
  const int before = reg.TransactionCount();
  EXPECT_EQ(store.SaveLines({}, {Line("B", 2)}), (Lines{Line("B", 2), Line("A", 1)}));
  EXPECT_EQ(reg.TransactionCount(), before + 1);
  EXPECT_EQ(store.ReadLines(), (Lines{Line("B", 2), Line("A", 1)}));

  // A write that fails half-way leaves the stored list as it was.
  reg.FailWrites(Hive::LocalMachine, "Net2");
  EXPECT_THROW(store.SaveLines(store.ReadLines(), {Line("B", 2), Line("A", 1), Line("C", 3)}), RegistryError);
  EXPECT_EQ(store.ReadLines(), (Lines{Line("B", 2), Line("A", 1)}));
}

// Processes load, change and save in a random order. The model keeps, per device, the
// line of the last save that changed it (relative to what that process had loaded):
// after every save the store holds exactly the model's devices, so no save loses
// another's addition, change or deletion, and a later edit of a device wins.
TEST(DeviceListMerge, InterleavedSavesOfSeveralProcessesLoseNoChange) {
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    MemoryRegistry reg;
    DeviceStore store(reg, kSettingsKey);
    std::mt19937 rng(seed);
    auto pick = [&rng](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };
    struct Process {
      Lines loaded, mine;
    };
    std::vector<Process> procs(2 + seed % 3);
    std::map<std::string, std::string> model;  // address -> line
    auto address = [](const std::string& line) {
      return ParseDeviceLine(StartsWith(line, "~") ? line.substr(1) : line)->IP;
    };
    int nextHost = 1, edits = 0;
    for (int step = 0; step < 120; ++step) {
      Process& p = procs[pick(procs.size())];
      switch (pick(6)) {
        case 0:  // a fresh start of this process
          p.loaded = p.mine = store.ReadLines();
          break;
        case 1:
          p.mine.push_back(Line("Dev", nextHost++));
          break;
        case 2:  // rename, or disable / enable
        case 3:
          if (!p.mine.empty()) {
            std::string& line = p.mine[pick(p.mine.size())];
            const NetDevice d = *ParseDeviceLine(StartsWith(line, "~") ? line.substr(1) : line);
            const bool disabled = StartsWith(line, "~");
            line = StoredLine({"Edit" + std::to_string(++edits), d.MAC, d.IP, d.Port}, pick(2) ? !disabled : disabled);
          }
          break;
        case 4:
          if (!p.mine.empty()) p.mine.erase(p.mine.begin() + static_cast<std::ptrdiff_t>(pick(p.mine.size())));
          break;
        case 5: {
          std::map<std::string, std::string> loaded, mine;
          for (const auto& l : p.loaded) loaded[address(l)] = l;
          for (const auto& l : p.mine) mine[address(l)] = l;
          for (const auto& [a, l] : mine)
            if (!loaded.count(a) || loaded[a] != l) model[a] = l;
          for (const auto& [a, l] : loaded)
            if (!mine.count(a)) model.erase(a);
          const Lines saved = store.SaveLines(p.loaded, p.mine);
          p.loaded = p.mine = saved;
          std::map<std::string, std::string> stored;
          for (const auto& l : store.ReadLines()) {
            ASSERT_TRUE(stored.emplace(address(l), l).second) << "twice: " << l;
          }
          ASSERT_EQ(stored, model) << "after step " << step;
          ASSERT_EQ(store.ReadLines(), saved);
          break;
        }
      }
    }
  }
}

}  // namespace
}  // namespace bx
