#pragma once
// The firmware updater fed whatever a bootloader might send, in chunks one poll tick
// apart, over a scripted link in virtual time. Whatever arrives, every frame it writes
// is the connect request, the header, the extension block, the end frame or exactly one
// page of the image (whole pages only), it never writes once stopped, and it ends "Ok"
// only when every page was acknowledged once.
#include <array>
#include <charconv>
#include <memory>
#include <set>
#include <string_view>

#include "Check.h"
#include "Input.h"
#include "firmware/FirmwareImage.h"
#include "firmware/Unitfwupdate.h"
#include "support/ScriptedLink.h"
#include "support/TempFile.h"
#include "ui/Controls.h"
#include "ui/EventLoop.h"

namespace bx::fuzz {

// Firmware files of a few shapes, written once per process: header only, a short
// extension block, header plus a ragged image, and a longer image.
class UpdaterImages {
 public:
  static UpdaterImages& Get() {
    static UpdaterImages images;
    return images;
  }
  const std::string& Path(unsigned i) const { return paths_[i % paths_.size()]; }
  const Bytes& File(unsigned i) const { return files_[i % files_.size()]; }

 private:
  UpdaterImages() {
    files_ = {test::Pattern(80, 1), test::Pattern(80 + 100, 2), test::Pattern(80 + 1000 + 7, 3),
              test::Pattern(80 + 184 + 4096 + 31, 4)};
    for (std::size_t i = 0; i < files_.size(); ++i)
      paths_[i] = folder_.Write("image" + std::to_string(i) + ".rfw", files_[i]);
  }
  test::TempFolder folder_;
  std::array<Bytes, 4> files_;
  std::array<std::string, 4> paths_;
};

// Idle ticks after the last chunk: enough for the header grace and the extension block.
inline constexpr int kUpdaterIdleTicks = 20;

class UpdaterRun {
 public:
  UpdaterRun() { ui::EventLoop::SetCurrent(&loop_); }
  ~UpdaterRun() {
    updater_.reset();
    ui::EventLoop::SetCurrent(nullptr);
  }

  // First byte: bit 0 wait for the prompt, bit 1 wake-on-data, bits 2-3 the image; the
  // rest is the bootloader's stream with its own chunking byte.
  void Run(std::string_view input) {
    const unsigned options = input.empty() ? 0 : static_cast<unsigned char>(input[0]);
    if (!input.empty()) input.remove_prefix(1);
    const UpdaterImages& images = UpdaterImages::Get();
    const unsigned which = (options >> 2) & 3;
    file_ = FirmwareImage(images.File(which));
    updater_ = std::make_unique<FirmwareUpdater>();
    updater_->SetWakeOnData(options & 2);
    link_.onWrite = [this](const Bytes& frame) { CheckFrame(frame); };
    auto owner = [](const std::string&, const std::string&, int) { return 1; };
    Check(updater_->Start(owner, link_, images.Path(which), progress_, status_, log_, options & 1),
          "an upload of a good file on an open link begins");

    const std::vector<Bytes> chunks = CutIntoChunks(input);
    for (const Bytes& chunk : chunks) {
      if (!updater_->IsRunning()) break;
      link_.Receive(chunk, true);
      loop_.Advance(FirmwareUpdater::kPollMs);
    }
    for (int i = 0; i < kUpdaterIdleTicks && updater_->IsRunning(); ++i) loop_.Advance(FirmwareUpdater::kPollMs);
    Check(progress_.Position() >= 0 && progress_.Position() <= progress_.Max(), "progress stays within its bar");
    CheckOkMeansEveryPage();
    updater_->Cancel();
    Check(!updater_->IsRunning() && !link_.IsOpen(), "a cancelled upload has stopped and closed the link");
  }

 private:
  // What the user is told, against what went out: an upload that ends "Updating firmware
  // : Ok" sent every page of the image and logged the bootloader's acknowledgement of each.
  void CheckOkMeansEveryPage() {
    const std::vector<std::string> lines = log_.Lines();
    if (lines.empty() || lines.back() != "Updating firmware : Ok") return;
    std::set<std::size_t> logged;
    for (const std::string& l : lines) {
      static constexpr std::string_view kHead = "Writing Page #", kTail = " : Ok";
      if (!StartsWith(l, kHead) || !EndsWith(l, kTail) || l.size() <= kHead.size() + kTail.size()) continue;
      std::size_t page = 0;
      const char* end = l.data() + l.size() - kTail.size();
      if (std::from_chars(l.data() + kHead.size(), end, page).ptr == end) logged.insert(page);
    }
    FirmwareImage ref = file_;
    if (updater_->Image().Extended()) ref.UseExtension();
    const std::size_t pages = ref.PageCount(static_cast<std::size_t>(updater_->PageSize()));
    for (std::size_t p = 0; p < pages; ++p) {
      if (sent_.count(p) == 0 || logged.count(p) == 0) {
        Fail("Ok only when every page was acknowledged once");
        return;
      }
    }
  }

  void CheckFrame(const Bytes& frame) {
    Check(updater_->IsRunning(), "nothing is written once the upload has stopped");
    Check(!frame.empty(), "no empty writes");
    if (frame.empty()) return;
    FirmwareImage ref = file_;
    if (updater_->Image().Extended()) ref.UseExtension();
    if (updater_->State() == UpdaterState::SendExtension && frame == ref.ExtensionBlock()) return;
    if (frame == "<") return;
    if (frame[0] == '#') {
      Check(frame == HeaderFrame(ref), "the header frame carries the file's header");
      return;
    }
    Check(frame[0] == '@' && frame.size() >= 3, "anything else is a page or the end frame");
    if (frame.size() < 3) return;
    const uint16_t page = LE16(frame, 1);
    if (page == 0xFFFF) {
      Check(frame == EndFrame(), "the end frame is bare");
      return;
    }
    const std::size_t size = static_cast<std::size_t>(updater_->PageSize());
    const std::string_view contents = ref.Page(page, size);
    Check(contents.empty() || contents.size() == size, "only whole pages are sent");
    Check(frame == PageFrame(page, page < ref.PageCount(size) ? contents : std::string_view()),
          "a page frame carries exactly that page");
    if (page < ref.PageCount(size)) sent_.insert(page);
  }

  ui::VirtualEventLoop loop_;
  test::ScriptedLink link_;
  ui::TProgressBar progress_{"pbUpdateProgress", nullptr};
  ui::TEdit status_{"edUpdateSatus", nullptr};
  ui::TMemo log_{"memUpdate", nullptr};
  FirmwareImage file_;
  std::set<std::size_t> sent_;                // pages of the image that went out in a page frame
  std::unique_ptr<FirmwareUpdater> updater_;  // stopped before the link and controls go
};

inline void DriveUpdater(std::string_view input) { UpdaterRun().Run(input); }

}  // namespace bx::fuzz
