// The user's files as another program or user may leave them: a FIFO, a link to
// /dev/zero, a folder or a file far larger than its use where a file is read whole, and
// links planted where a file is replaced. Every read ends at once with a refusal; every
// replacement writes a new file and nothing the link points at.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <thread>

#include "firmware/FirmwareImage.h"
#include "passthru/DeviceDirectory.h"
#include "platform/Files.h"
#include "platform/Library.h"
#include "platform/System.h"
#include "platform/fake/MemoryRegistry.h"
#include "support/PassThruWorld.h"
#include "support/TempFile.h"
#include "support/TimeScale.h"

namespace bx {
namespace {

namespace fs = std::filesystem;

// A read that hangs is the fault looked for: it is given its own thread, and left there
// when it does not end in time.
bool EndsWithin(std::chrono::milliseconds bound, std::function<void()> work) {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> ended = done->get_future();
  std::thread([work = std::move(work), done] {
    work();
    done->set_value();
  }).detach();
  return ended.wait_for(test::Scaled(bound)) == std::future_status::ready;
}
constexpr std::chrono::seconds kBound{5};

enum class Kind { Fifo, DevZeroLink, Folder, Oversized };
const char* KindName(Kind k) {
  switch (k) {
    case Kind::Fifo:
      return "a FIFO";
    case Kind::DevZeroLink:
      return "a link to /dev/zero";
    case Kind::Folder:
      return "a folder";
    case Kind::Oversized:
      return "a file one byte over the limit";
  }
  return "?";
}

// Puts the hostile thing at `path`; `limit` sizes the oversized file (sparse, so cheap).
void Plant(Kind k, const std::string& path, std::uintmax_t limit) {
  fs::create_directories(fs::path(path).parent_path());
  switch (k) {
    case Kind::Fifo:
      ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
      break;
    case Kind::DevZeroLink:
      fs::create_symlink("/dev/zero", path);
      break;
    case Kind::Folder:
      fs::create_directory(path);
      break;
    case Kind::Oversized:
      std::ofstream(path, std::ios::binary).put('x');
      fs::resize_file(path, limit + 1);
      break;
  }
}

// One whole-file read of the program: where its file goes, its limit, and whether it
// refused what stood there (false: it read it, or took it for a good file).
struct Reader {
  const char* name;
  std::uintmax_t limit;  // 0: no size limit applies
  std::function<std::string(const std::string& folder)> pathIn;
  std::function<bool(const std::string& folder, const std::string& path)> refuses;
};

std::vector<Reader> Readers() {
  return {
      {"ReadRegularFile", 64 * 1024, [](const std::string& d) { return d + "/file"; },
       [](const std::string&, const std::string& p) {
         std::string data = "untouched";
         const FileRead r = ReadRegularFile(p, 64 * 1024, data);
         return !r.Ok() && !r.why.empty() && data == "untouched";
       }},
      {"the window's whole-file read", TfrmMain::kWholeFileLimit, [](const std::string& d) { return d + "/file"; },
       [](const std::string&, const std::string& p) {
         Bytes data;
         return !TfrmMain::ReadWholeFile(p, data);
       }},
      {"a firmware file", kMaxFirmwareFileSize, [](const std::string& d) { return d + "/image.rfw"; },
       [](const std::string&, const std::string& p) {
         FirmwareImage image;
         return LoadFirmwareImage(p, image) != FirmwareLoad::Ok;
       }},
      {"a pass-thru manifest", kManifestLimit, [](const std::string& d) { return d + "/.passthru/evil.json"; },
       [](const std::string& d, const std::string&) {
         MemoryRegistry registry;
         std::vector<std::string> skipped;
         const auto listed = DeviceDirectory(registry, d + "/.passthru").List(&skipped);
         return listed.empty() && skipped.size() == 1 && skipped[0].find("evil.json") != std::string::npos;
       }},
      {"a pass-thru library", 0, [](const std::string& d) { return d + "/lib.so"; },
       [](const std::string&, const std::string& p) {
         std::string error;
         return MakeLibraryLoader()->Load(p, error) == nullptr && !error.empty();
       }},
      {"the installed driver (Check Version)", 16u * 1024u * 1024u,
       [](const std::string& d) { return d + "/data/brevantix-configurator/" + kDriverFileName; },
       [](const std::string& d, const std::string&) {
         test::PassThruWorld w;
         w.data = d + "/data/brevantix-configurator";
         w.Open();
         w.P().btJ2534_Version_Check.Click();
         return w.P().edJ2534_Version_DLL.Text() == "Not installed";
       }},
  };
}

struct HostileRead : ::testing::TestWithParam<Kind> {};

TEST_P(HostileRead, EveryWholeFileReadRefusesAtOnce) {
  const Kind kind = GetParam();
  for (const Reader& r : Readers()) {
    if (kind == Kind::Oversized && r.limit == 0) continue;
    SCOPED_TRACE(std::string(r.name) + " given " + KindName(kind));
    test::TempFolder folder;
    const std::string path = r.pathIn(folder.Path());
    Plant(kind, path, r.limit);
    std::atomic<bool> refused{false};
    ASSERT_TRUE(EndsWithin(kBound, [&] { refused = r.refuses(folder.Path(), path); })) << "it hung";
    EXPECT_TRUE(refused);
  }
}

std::string KindTestName(const ::testing::TestParamInfo<Kind>& info) {
  static const char* const kNames[] = {"Fifo", "DevZeroLink", "Folder", "Oversized"};
  return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Kinds, HostileRead,
                         ::testing::Values(Kind::Fifo, Kind::DevZeroLink, Kind::Folder, Kind::Oversized), KindTestName);

// A manifest renamed back and forth between a file and a FIFO while the list is read:
// the opened file is what is checked, so no pass can block on the FIFO.
TEST(HostileRead, AManifestSwappedWithAFifoNeverHangsTheList) {
  test::TempFolder folder;
  const std::string dir = folder.Path() + "/.passthru";
  fs::create_directories(dir);
  const std::string good = R"({"NAME": "Good", "FUNCTION_LIB": "/usr/lib/x.so"})";
  folder.Write(".passthru/file.tmp", good);
  ASSERT_EQ(::mkfifo((dir + "/fifo.tmp").c_str(), 0600), 0);
  std::atomic<bool> stop{false};
  std::thread swapper([&] {
    for (int i = 0; i < 100000 && !stop; ++i) {
      const bool fifo = i % 2 == 0;
      // Each name back where it came from, so that both stay for the next swap.
      std::error_code ec;
      fs::rename(dir + (fifo ? "/fifo.tmp" : "/file.tmp"), dir + "/m.json", ec);
      fs::rename(dir + "/m.json", dir + (fifo ? "/fifo.tmp" : "/file.tmp"), ec);
    }
  });
  MemoryRegistry registry;
  const bool ended = EndsWithin(std::chrono::seconds(20), [&] {
    for (int pass = 0; pass < 300; ++pass) DeviceDirectory(registry, dir).List();
  });
  stop = true;
  swapper.join();
  EXPECT_TRUE(ended) << "a list pass hung on the FIFO";
}

// The desktop entry and MIME package are replaced through a new file of their own: a FIFO
// or a link to /dev/zero standing at the entry's name, or a link planted at the old fixed
// temporary name, is replaced or left alone, and what a link points at keeps its bytes.
TEST(HostileReplace, TheDesktopEntryIsReplacedNeverWrittenThrough) {
  for (const Kind kind : {Kind::Fifo, Kind::DevZeroLink, Kind::Oversized}) {
    SCOPED_TRACE(KindName(kind));
    test::TempFolder folder;
    const fs::path data = fs::path(folder.Path()) / "share";
    const fs::path entry = data / "applications" / "brevantix-configurator.desktop";
    Plant(kind, entry.string(), 64 * 1024);
    const std::string victim = folder.Write("bashrc", "# the user's own\n");
    fs::create_symlink(victim, entry.string() + ".tmp");
    fs::create_directories(data / "mime" / "packages");
    fs::create_symlink(victim, (data / "mime" / "packages" / "brevantix-firmware.xml").string());
    auto desktop = MakeDesktopIntegration(data.string());
    ASSERT_TRUE(EndsWithin(kBound, [&] { desktop->Install(folder.Path() + "/build/brevantix-configurator"); }));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(entry)));
    Bytes text;
    ASSERT_TRUE(TfrmMain::ReadWholeFile(entry.string(), text));
    EXPECT_TRUE(StartsWith(text, "[Desktop Entry]\n")) << text;
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(data / "mime" / "packages" / "brevantix-firmware.xml")));
    ASSERT_TRUE(TfrmMain::ReadWholeFile(victim, text));
    EXPECT_EQ(text, "# the user's own\n");
  }
}

TEST(HostileReplace, AReplacementLeavesNoTemporaryFileAndKeepsEveryByte) {
  test::TempFolder folder;
  const std::string path = folder.Path() + "/f.bin";
  const Bytes data("a\0b\xff", 4);
  for (int round = 0; round < 3; ++round) {
    std::string why;
    ASSERT_TRUE(ReplaceFileContents(path, data + std::to_string(round), why)) << why;
  }
  Bytes back;
  ASSERT_TRUE(TfrmMain::ReadWholeFile(path, back));
  EXPECT_EQ(back, data + "2");
  int files = 0;
  for (const auto& e : fs::directory_iterator(folder.Path())) files += e.path() != path ? 1 : 0;
  EXPECT_EQ(files, 0);
  std::string why;
  EXPECT_FALSE(ReplaceFileContents(folder.Path() + "/missing/f.bin", data, why));
  EXPECT_NE(why.find("No such file"), std::string::npos) << why;
}

// The trust of a settings or data folder: the user's own and writable by the user alone,
// up to the first folder the system owns.
TEST(FolderTrust, FoldersOthersCanWriteOrOwnAreRefusedWithTheirPath) {
  struct Case {
    const char* name;
    const char* folder;   // made below a fresh folder
    mode_t mode;          // of `folder`
    uid_t owner;          // 0: the user's; else given to that uid (root only)
    gid_t group;          // 0: the user's; else given to that gid (root only)
    const char* refusal;  // "" when trusted
    bool below;           // a folder still to be made below it is refused as well
  } cases[] = {
      {"private", "a/b", 0700, 0, 0, "", false},
      {"readable by all", "a/b", 0755, 0, 0, "", false},
      {"writable by all", "a/b", 0777, 0, 0, "is writable by other users (mode 0777)", true},
      {"writable by its own group", "a/b", 0770, 0, 0, "", false},
      {"writable by another group", "a/b", 0770, 0, 4321, "is writable by the members of its group (mode 0770)", true},
      {"writable by all and sticky", "a/b", 01777, 0, 0, "is writable by other users", ::geteuid() != 0},
      {"owned by another user", "a/b", 0700, 4321, 0, "is owned by another user (uid 4321), not by you", true},
  };
  std::string notRun;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if ((c.owner || c.group) && ::geteuid() != 0) {  // only root can give a folder away
      notRun += std::string(notRun.empty() ? "" : ", ") + c.name;
      continue;
    }
    test::TempFolder top;
    const std::string folder = top.Path() + "/" + c.folder;
    fs::create_directories(folder);
    ASSERT_EQ(::chmod(folder.c_str(), c.mode), 0);
    if (c.owner || c.group) {
      ASSERT_EQ(::chown(folder.c_str(), c.owner ? c.owner : ::geteuid(), c.group ? c.group : ::getegid()), 0);
    }
    const std::string why = FolderTrustProblem(folder);
    if (*c.refusal == '\0') {
      EXPECT_EQ(why, "");
    } else {
      EXPECT_NE(why.find("the folder " + folder + " " + c.refusal), std::string::npos) << why;
    }
    // A folder still to be made is judged by the one it would be made in; a sticky one of
    // the system's (as /tmp) may hold it.
    const std::string below = FolderTrustProblem(folder + "/not/made/yet");
    EXPECT_EQ(below.empty(), !c.below) << below;
    if (c.below) {
      EXPECT_NE(below.find("the folder " + folder + " "), std::string::npos) << below;
    }
  }
  if (!notRun.empty()) GTEST_SKIP() << "only root can give a folder away; not run: " << notRun;
}

TEST(FolderTrust, ALinkOnTheWayOwnedByAnotherUserIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can make a link owned by another user";
  test::TempFolder top;
  fs::create_directories(top.Path() + "/mine");
  const std::string link = top.Path() + "/theirs";
  fs::create_symlink(top.Path() + "/mine", link);
  ASSERT_EQ(::lchown(link.c_str(), 4321, 4321), 0);
  EXPECT_NE(FolderTrustProblem(link + "/brevantix-configurator").find("the link " + link + " is owned by another user"),
            std::string::npos);
  EXPECT_EQ(FolderTrustProblem(top.Path() + "/mine/brevantix-configurator"), "");
}

TEST(FolderTrust, MakePrivateFolderMakesFoldersOnlyTheUserEnters) {
  test::TempFolder top;
  const std::string folder = top.Path() + "/x/y/z";
  std::string why;
  ASSERT_TRUE(MakePrivateFolder(folder, why)) << why;
  for (const std::string& f : {top.Path() + "/x", top.Path() + "/x/y", folder})
    EXPECT_EQ(fs::status(f).permissions() & fs::perms::all, fs::perms::owner_all) << f;
  ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
  EXPECT_FALSE(MakePrivateFolder(folder, why));
  EXPECT_NE(why.find("writable by other users"), std::string::npos) << why;
}

}  // namespace
}  // namespace bx
