#include "cli/PassThruSteps.h"

#include <algorithm>

#include "links/LinkTable.h"
#include "settings/Settings.h"

namespace bx::cli {

namespace {
std::string Company(const Session& s) { return s.version ? s.version->companyName : std::string(); }
}  // namespace

PassThruSteps::PassThruSteps(Session& s, AdapterSession* adapter)
    : s_(s),
      adapter_(adapter ? *adapter : none_),
      productName_(s.version ? s.version->productName : std::string()),
      companyName_(Company(s)),
      services_{
          .settings = *s.settings,
          .productName = productName_,
          .companyName = companyName_,
          .programPath = s.registration.programPath,
          .session = adapter_,
          .messageBox = [&s](const std::string& caption, const std::string& text,
                             int flags) { return s.AppMessageBox(caption, text, flags); },
          .shell = s.services.shell.get(),
          .libraries = s.services.libraries.get(),
          .archives = s.services.archives.get(),
          .folders = s.services.folders,
          .selectedPort = [&s] { return s.port; },
          .selectedPortText = [&s] { return s.PortShown(s.port); },
          .portListClick = {},
          .writeFile = {},
          .busyRefusal = {},
      } {
  installer.Connect(this);
}

PassThruSteps::~PassThruSteps() {
  DrawProgress(nullptr);
  installer.Connect(nullptr);
  probe.UnloadLibrary();
}

std::string PassThruSteps::ChosenDevice(const std::vector<PassThruDevice>& listed) const {
  const std::string remembered = services_.settings.ReadSettingString("", kChosenDeviceName, "");
  for (const PassThruDevice& d : listed)
    if (d.name == remembered) return remembered;
  return {};
}

void PassThruSteps::ChooseDevice(const std::string& name) {
  services_.settings.WriteSettingString("", kChosenDeviceName, name);
}

// A link of its own for the chosen port, for the one transfer.
Link* PassThruSteps::FindLink(const std::string& port) {
  link_ = s_.links ? s_.links->NewLinkFor(port) : nullptr;
  return link_.get();
}

void PassThruSteps::DrawProgress(std::ostream* out) {
  if (bar_ && drawn_) *bar_ << "\r\033[K" << std::flush;
  bar_ = out;
  drawn_ = false;
  drawnAt_ = -1;
}

void PassThruSteps::Progress(int position, bool marquee) {
  if (!bar_) return;
  constexpr int kWidth = 40;
  const int shown = marquee ? 0 : std::clamp(position, 0, kInstallProgressMax);
  if (shown == drawnAt_) return;
  drawnAt_ = shown;
  const int filled = shown * kWidth / kInstallProgressMax;
  *bar_ << "\r[" << std::string(std::size_t(filled), '#') << std::string(std::size_t(kWidth - filled), '.') << "] "
        << shown * 100 / kInstallProgressMax << "%" << std::flush;
  drawn_ = true;
}

}  // namespace bx::cli
