// brevantix-cli passthru: the "Passthru SAE J2534" page's work without a window: the
// registered devices, Read Info on one (the one chosen last by default, which naming one
// changes, as the page's device list does), and the driver's installation and check, with
// --port or --demo after a search for the adapter on a device of its own. Each reads the
// typed results of the probe or the installer.
#include <algorithm>
#include <ostream>

#include "cli/AdapterSteps.h"
#include "cli/Cli.h"
#include "cli/JsonDocument.h"
#include "cli/PassThruSteps.h"
#include "platform/Terminal.h"

namespace bx::cli {
namespace {

constexpr int64_t kSearchLimitMs = 120000;

int Usage(Session& s, const std::string& why) {
  return s.Fail(2, "passthru: " + why + " (see brevantix-cli passthru --help)");
}

// With --json, the log of the probe or the installer as the document's "log".
void LogMember(Session& s, const std::vector<std::string>& log) {
  if (s.json) s.json->doc["log"] = LinesJson(log);
}

// The registered devices, as a Refresh lists them; the manifests it skipped are told on
// standard error.
std::vector<PassThruDevice> Listed(Session& s, const PassThruSteps& pt) {
  std::vector<std::string> skipped;
  std::vector<PassThruDevice> devices = pt.directory.List(&skipped);
  for (const std::string& line : skipped)
    *s.err << "brevantix-cli: passthru: " << ShownLine(SkippedManifestLine(line)) << "\n";
  return devices;
}

int List(Session& s) {
  PassThruSteps pt(s, nullptr);
  Json devices = Json::array();
  for (const PassThruDevice& d : Listed(s, pt)) {
    if (s.json)
      devices.push_back({{"name", d.name}, {"vendor", d.vendor}, {"library", d.functionLibrary}, {"source", d.source}});
    else
      *s.out << Shown(d.name) << "\t" << Shown(d.vendor) << "\t" << Shown(d.functionLibrary) << "\t" << Shown(d.source)
             << "\n";
  }
  if (s.json) s.json->doc["devices"] = devices;
  return 0;
}

int Probe(Session& s, const std::vector<std::string>& a) {
  std::string device, name;
  for (std::size_t i = 1; i < a.size(); ++i) {
    if (a[i] == "--name" && i + 1 < a.size())
      name = a[++i];
    else if (!a[i].empty() && a[i][0] != '-' && device.empty())
      device = a[i];
    else
      return Usage(s, "unknown argument " + a[i]);
  }
  PassThruSteps pt(s, nullptr);
  const std::vector<PassThruDevice> listed = Listed(s, pt);
  if (!device.empty()) {
    const bool registered =
        std::any_of(listed.begin(), listed.end(), [&](const PassThruDevice& d) { return d.name == device; });
    if (!registered) return s.Fail(1, "passthru: no device " + device + " is registered (see passthru list)");
    pt.ChooseDevice(device);
  } else if ((device = pt.ChosenDevice(listed)).empty()) {
    return s.Fail(1, "passthru: no device is chosen: name one (see passthru list)");
  }
  const LibraryProbe& probe = pt.probe;
  pt.probe.ReadInfo(device, name);
  if (s.json) {
    LogMember(s, pt.Log());
    s.json->doc["device"] = device;
    s.json->doc["complete"] = probe.InfoComplete();
  } else {
    for (const std::string& line : pt.Log()) *s.out << ShownLine(line) << "\n";
  }
  if (probe.InfoComplete()) return 0;
  return s.Fail(
      1, "passthru: " + (probe.LastError().empty() ? std::string("the probe did not complete") : probe.LastError()));
}

// The search as the Settings page's Search runs it; the adapter's device, or null (told)
// when no adapter answered.
std::unique_ptr<AdapterDevice> Searched(Session& s) {
  std::unique_ptr<AdapterDevice> d = ChosenDevice(s);
  if (Search(s, *d, false, kSearchLimitMs)) return d;
  const DeviceFailure f = d->Failure();
  if (s.Signal() == 0 &&
      (f == DeviceFailure::NotFound || f == DeviceFailure::PortNotOpened || f == DeviceFailure::PortBusy))
    s.Fail(1, "the adapter did not answer on " + s.chosenPort);
  return nullptr;
}

int Install(Session& s) {
  if (!s.ChoosePort()) return 2;
  const std::unique_ptr<AdapterDevice> adapter = Searched(s);
  if (!adapter) return 1;
  PassThruSteps pt(s, &adapter->Session());
  if (pt.DriverVersion().empty()) return s.Fail(1, "passthru: the adapter offers no pass-thru driver");
  if (!s.json)
    *s.out << "Installing the driver v" << Shown(pt.DriverVersion()) << " from " << Shown(s.chosenPort) << "\n";
  // A progress bar on a terminal while the driver is fetched, placed and registered.
  pt.DrawProgress(StandardOutputIsTerminal() && !s.json ? s.out : nullptr);
  const DriverInstaller& installer = pt.installer;
  const bool installed = pt.installer.Install() == InstallResult::Installed;
  pt.DrawProgress(nullptr);
  if (s.json) {
    LogMember(s, pt.Log());
    s.json->doc["offered"] = pt.DriverVersion();
    s.json->doc["installed"] = installed;
    if (installed) {
      s.json->doc["version"] = installer.InstalledVersion();
      s.json->doc["path"] = installer.DriverPath();
      s.json->doc["registeredAs"] = installer.DeviceKey();
      s.json->doc["loadableHere"] = installer.ForeignRemark().empty();
    }
  } else {
    for (const std::string& line : pt.Log()) *s.out << ShownLine(line) << "\n";
  }
  if (!installed) {
    const std::string why = installer.LastError().empty() ? s.lastMessage : installer.LastError();
    return s.Fail(1, "passthru: the driver was not installed" + (why.empty() ? std::string() : ": " + why));
  }
  if (!s.json)
    *s.out << "Installed: " << Shown(installer.InstalledVersion()) << "\t" << Shown(installer.DriverPath()) << "\n"
           << "Registered as: " << installer.DeviceKey() << "\n";
  return 0;
}

int Check(Session& s) {
  const bool withAdapter = !s.chosenPort.empty();
  std::unique_ptr<AdapterDevice> adapter;
  if (withAdapter && (!s.ChoosePort() || !(adapter = Searched(s)))) return 1;
  PassThruSteps pt(s, adapter ? &adapter->Session() : nullptr);
  const DriverInstaller& installer = pt.installer;
  pt.installer.CheckVersion(true);
  const std::string installed = installer.InstalledVersion();
  const bool missing = !installer.DriverPresent();
  if (s.json) {
    LogMember(s, pt.Log());
    s.json->doc["installed"] = installed;
    if (!missing) s.json->doc["loadableHere"] = installer.ForeignRemark().empty();
  } else {
    *s.out << "Installed:\t" << Shown(installed) << "\n";
    // A library this system's pass-thru programs cannot load is said so.
    for (const std::string& line : pt.Log()) *s.out << ShownLine(line) << "\n";
  }
  if (!withAdapter) return missing ? s.Fail(1, "passthru: no driver is installed (" + installed + ")") : 0;
  if (pt.DriverVersion().empty()) return s.Fail(1, "passthru: the adapter offers no pass-thru driver");
  const bool same = installer.UpToDate();
  if (s.json) {
    s.json->doc["offered"] = pt.DriverVersion();
    s.json->doc["upToDate"] = same;
    if (!same) s.json->Error("update required: the adapter offers " + pt.DriverVersion());
  } else {
    *s.out << "Adapter driver:\t" << Shown(pt.DriverVersion()) << "\n"
           << (same ? "up to date" : "update required") << "\n";
  }
  return same ? 0 : 3;
}

int RunPassThru(Session& s) {
  const std::vector<std::string>& a = s.args;
  if (a.empty()) return Usage(s, "a subcommand is needed");
  if (a[0] == "list") return a.size() == 1 ? List(s) : Usage(s, "list takes no arguments");
  if (a[0] == "probe") return Probe(s, a);
  if (a[0] == "install") return a.size() == 1 ? Install(s) : Usage(s, "install takes no arguments");
  if (a[0] == "check") return a.size() == 1 ? Check(s) : Usage(s, "check takes no arguments");
  return Usage(s, "unknown subcommand " + a[0]);
}

Registrar passthru({"passthru",
                    "list | probe [DEVICE] [--name NAME] | install | check",
                    "the registered J2534 pass-thru devices and the adapter's own driver",
                    "list prints one registered device a line: name, a tab, vendor, a tab, function\n"
                    "library, a tab, where it is registered (\"registry\" or the ~/.passthru manifest's path).\n"
                    "probe runs Read Info on DEVICE (by default the one chosen last) and prints its log;\n"
                    "--name passes NAME to PassThruOpen. Exit code 0 when the device opened and told its\n"
                    "version, 1 otherwise.\n"
                    "install (with --port or --demo) searches for the adapter, fetches its driver, puts it\n"
                    "in place and registers it; exit code 0 only when the new driver is in place and\n"
                    "registered.\n"
                    "check prints the installed driver's version; with --port or --demo also the version\n"
                    "the adapter offers and \"up to date\" (exit code 0) or \"update required\" (3).\n"
                    "Without an adapter the exit code is 1 when no driver is installed.",
                    RunPassThru,
                    {},
                    false,
                    [](const std::vector<std::string>& a) { return !a.empty() && a[0] == "install"; }});

}  // namespace
}  // namespace bx::cli
