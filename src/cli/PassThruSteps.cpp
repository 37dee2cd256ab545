#include "cli/PassThruSteps.h"

#include "links/LinkTable.h"
#include "settings/Settings.h"

namespace bx::cli {

namespace {
std::string Company(const Session& s) { return s.version ? s.version->companyName : std::string(); }
}  // namespace

PassThruSteps::PassThruSteps(Session& s, const AdapterSession* adapter)
    : s_(s),
      adapter_(adapter ? *adapter : none_),
      driverVersion_(adapter_.Identity().passThruVersion),
      productName_(s.version ? s.version->productName : std::string()),
      companyName_(Company(s)),
      page(controls, PassThruServices{
                         .settings = *s.settings,
                         .productName = productName_,
                         .companyName = companyName_,
                         .programPath = s.registration.programPath,
                         .driverVersion = driverVersion_,
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
                     }) {
  // The driver group as the window opens, then as its search leaves it.
  controls.btJ2534_Install.SetEnabled(false);
  controls.lbJ2534_Message.SetVisible(false);
  controls.pbJ2534_Install.SetVisible(!adapter_.Identity().bootware.empty());
  controls.shJ2534_Install.SetVisible(false);
  controls.shJ2534_Version_DLL.SetVisible(false);
  if (!driverVersion_.empty()) {
    controls.btJ2534_Install.SetCaption("Install Driver v" + driverVersion_);
    controls.btJ2534_Install.SetEnabled(true);
  }
  page.WireControls();
  page.Installer().Connect(this);
}

PassThruSteps::~PassThruSteps() {
  page.Installer().Connect(nullptr);
  page.UnloadLibrary();
}

// A link of its own for the chosen port, for the one transfer.
Link* PassThruSteps::FindLink(const std::string& port) {
  link_ = s_.links ? s_.links->NewLinkFor(port) : nullptr;
  return link_.get();
}

}  // namespace bx::cli
