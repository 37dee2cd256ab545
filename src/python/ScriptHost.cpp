#include "python/ScriptHost.h"

#include <algorithm>
#include <mutex>

#include "flash/AdapterFlash.h"
#include "host/Demo.h"
#include "host/Services.h"
#include "links/LinkTable.h"
#include "netdev/DeviceStore.h"
#include "netdev/NetworkSearch.h"
#include "passthru/DriverInstaller.h"
#include "passthru/PassThruServices.h"
#include "platform/Files.h"
#include "platform/System.h"
#include "settings/HiddenModes.h"
#include "settings/Settings.h"
#include "ui/EventLoop.h"
#include "wifi/ScanLine.h"
#include "wifi/UrlQuery.h"

namespace bx::script {

namespace {

// After a stop (Ctrl+C, a time-out) the operation is given this long to end.
constexpr int64_t kStopGraceMs = 5000;
constexpr const char* kScriptPort = "Port given by the script";

// The module's program: the settings store, the links and the event loop, made on first
// use and kept for the life of the process (links and devices may outlive any Python
// object that asked for them until the interpreter ends).
struct Host {
  Host() {
    std::string error;
    if (!OpenProgramServices(services, error)) throw ScriptError(ErrorKind::Error, error);
    settings = std::make_unique<Settings>(*services.registry);
    const auto version = BuiltInVersionRecord();
    product = version ? version->productName : "Brevantix";
    ui::EventLoop::SetCurrent(&loop);
    LinkConfig config;
    config.registry = services.registry.get();
    config.scanThreads = false;
    links = std::make_unique<LinkTable>(config);
  }
  ProgramServices services;
  std::unique_ptr<Settings> settings;
  std::string product;
  ui::RealEventLoop loop;
  std::unique_ptr<LinkTable> links;
  DatagramNetwork* demoNetwork = nullptr;  // while a Demo lives
  std::recursive_mutex mu;
};

Host& H() {
  static Host* host = new Host();
  return *host;
}

// A device path no link lists (a pseudo-terminal, a by-id link) is offered as a port of
// its own, as the command line's --port does.
std::unique_ptr<Link> LinkFor(const std::string& port) {
  Host& h = H();
  if (!h.links->FindLinkForPort(port) && port.starts_with("/")) {
    h.links->AddVirtualPort(port, kScriptPort);
    h.links->ScanAll();
  }
  return h.links->NewLinkFor(port);
}

std::string PortShown(const std::string& port) { return PortText(H().links->CollectPorts(), port, kScriptPort); }

enum class Waited { Done, TimedOut, Interrupted };

// Runs the loop until `done`, `timeoutS` (0: none) or the poll says stop.
Waited Wait(const std::function<bool()>& done, double timeoutS, const Poll& poll) {
  ui::RealEventLoop& loop = H().loop;
  const int64_t start = loop.NowMs();
  Waited how = Waited::Done;
  loop.Run([&] {
    if (done()) return true;
    const int64_t now = loop.NowMs();
    if (poll && !poll()) {
      how = Waited::Interrupted;
      return true;
    }
    if (timeoutS > 0 && now - start > static_cast<int64_t>(timeoutS * 1000)) {
      how = Waited::TimedOut;
      return true;
    }
    return false;
  });
  return how;
}

ErrorKind KindOf(DeviceFailure f) {
  switch (f) {
    case DeviceFailure::PortBusy:
      return ErrorKind::Busy;
    case DeviceFailure::PortNotOpened:
    case DeviceFailure::NotFound:
    case DeviceFailure::NotAnAdapter:
      return ErrorKind::NotFound;
    case DeviceFailure::NotTaken:
      return ErrorKind::Refused;
    case DeviceFailure::Stopped:
      return ErrorKind::Interrupted;
    case DeviceFailure::None:
      break;
  }
  return ErrorKind::Error;
}

// A flash's listener: the log, the message boxes' texts and the page counts.
class FlashRecord : public FlashListener {
 public:
  FlashRecord(std::string port, const script::Progress& progress) : port_(std::move(port)), progress_(progress) {}
  int Message(const std::string&, const std::string& text, int) override {
    log.push_back(text);
    return mb::IdOk;
  }
  void Line(const std::string& line) override { log.push_back(line); }
  void Pages(int count) override {
    total = count;
    Report();
  }
  void Progress(int page) override {
    acknowledged = std::max(acknowledged, page);
    lastProgressMs = H().loop.NowMs();
    Report();
  }
  std::vector<std::string> log;
  int total = 0, acknowledged = 0;
  int64_t lastProgressMs = 0;

 private:
  void Report() {
    if (progress_) progress_(port_, acknowledged, total);
  }
  std::string port_;
  const script::Progress& progress_;
};

FlashPlan Plan(const std::string& file, bool search, bool waitForPrompt) {
  FlashPlan plan;
  plan.file = file;
  plan.search = search;
  plan.waitForPrompt = waitForPrompt;
  return plan;
}

}  // namespace

std::vector<PortRow> Ports() {
  Host& h = H();
  std::lock_guard lock(h.mu);
  h.links->ScanAll();
  const PortLists rows = h.links->CollectPorts();
  std::vector<PortRow> out;
  for (std::size_t i = 0; i < rows.size(); ++i) out.push_back({rows.Names[i], rows.Descriptions[i], rows.Details[i]});
  return out;
}

std::vector<FlashOutcome> FlashMany(const std::vector<std::string>& ports, const std::string& file,
                                    const Progress& progress, double timeoutS, bool search, bool waitForPrompt,
                                    const Poll& poll) {
  Host& h = H();
  std::lock_guard lock(h.mu);
  for (std::size_t i = 0; i < ports.size(); ++i)
    for (std::size_t j = 0; j < i; ++j)
      if (ports[i] == ports[j]) throw ScriptError(ErrorKind::Error, "the port " + ports[i] + " is given twice");
  std::vector<std::unique_ptr<FlashRecord>> records;
  std::vector<std::unique_ptr<AdapterFlash>> flashes;
  for (const std::string& port : ports) {
    records.push_back(std::make_unique<FlashRecord>(port, progress));
    records.back()->lastProgressMs = h.loop.NowMs();
    flashes.push_back(std::make_unique<AdapterFlash>(LinkFor(port), port, PortShown(port), h.product,
                                                     Plan(file, search, waitForPrompt), *records.back()));
  }
  for (auto& f : flashes) f->Start();
  auto allDone = [&] {
    return std::all_of(flashes.begin(), flashes.end(), [](const auto& f) { return f->Done(); });
  };
  bool interrupted = false;
  while (!allDone()) {
    // A flash with no page acknowledged for the time-out is stopped, as the command
    // line's is; the others go on.
    const Waited w = Wait(allDone, 0.2, poll);
    if (w == Waited::Interrupted) {
      interrupted = true;
      break;
    }
    for (std::size_t i = 0; i < flashes.size(); ++i)
      if (!flashes[i]->Done() && timeoutS > 0 &&
          h.loop.NowMs() - records[i]->lastProgressMs > static_cast<int64_t>(timeoutS * 1000))
        flashes[i]->Stop();
  }
  if (interrupted) {
    for (auto& f : flashes) f->Stop();
    Wait(allDone, kStopGraceMs / 1000.0, {});
    throw ScriptError(ErrorKind::Interrupted, "the flash was stopped");
  }
  std::vector<FlashOutcome> out;
  for (std::size_t i = 0; i < flashes.size(); ++i) {
    const AdapterFlash& f = *flashes[i];
    FlashOutcome o;
    o.port = ports[i];
    o.serial = f.Session().Identity().serial;
    o.ok = f.Ok();
    o.result = f.Result();
    o.pages = records[i]->total;
    o.acknowledged = f.Updater().PagesAcknowledged();
    o.log = records[i]->log;
    out.push_back(std::move(o));
  }
  return out;
}

namespace {
// What the search hears, in the order it came, each adapter once, and its log.
class Heard : public SearchSink {
 public:
  void DeviceFound(const NetDevice& d) override {
    for (const NetDevice& seen : devices)
      if (seen.IP == d.IP && seen.Port == d.Port) return;
    devices.push_back(d);
  }
  void SearchStarted() override {}
  void SearchEnded() override { ended = true; }
  void ClearLog() override { log.clear(); }
  void Line(const std::string& text) override { log.push_back(text); }
  void PassProgress(int, int) override {}
  std::vector<NetDevice> devices;
  std::vector<std::string> log;
  bool ended = false;
};

NetAdapter FromDevice(const NetDevice& d, bool enabled) { return {d.Name, d.MAC, d.IP, d.Port, enabled}; }
}  // namespace

std::vector<NetAdapter> StoredNetAdapters() {
  Host& h = H();
  std::lock_guard lock(h.mu);
  std::vector<NetAdapter> out;
  for (const std::string& line : DeviceStore(*h.services.registry, kSettingsKey).ReadLines()) {
    const bool disabled = line.starts_with("~");
    if (const auto d = ParseDeviceLine(disabled ? std::string_view(line).substr(1) : std::string_view(line)))
      out.push_back(FromDevice(*d, !disabled));
  }
  return out;
}

std::vector<NetAdapter> Discover(const std::string& target, bool save, std::vector<std::string>& log,
                                 const Poll& poll) {
  Host& h = H();
  std::lock_guard lock(h.mu);
  Heard heard;
  DatagramNetwork* network = h.demoNetwork ? h.demoNetwork : h.services.network.get();
  ui::TTimer timer("tmrUDP", NetworkSearch::kTickMs, false);
  NetworkSearch search(NetworkSearchServices{network, heard, timer});
  timer.OnTimer = [&search] { search.tmrUDPTimer(); };
  search.Start(target.empty() ? "255.255.255.255" : target);
  const auto started = search.Running();
  if (started) {
    const double boundS = 2.0 * (NetworkSearch::kPasses + 1) * NetworkSearch::kTicksPerPass * NetworkSearch::kTickMs / 1000;
    const Waited w = Wait([&] { return heard.ended || !search.Running(); }, boundS, poll);
    search.Stop();
    if (w == Waited::Interrupted) throw ScriptError(ErrorKind::Interrupted, "stopped");
  }
  log = heard.log;
  if (!started)
    throw ScriptError(ErrorKind::Error,
                      "the network search did not start" + (log.empty() ? std::string() : ": " + log.back()));
  std::vector<NetAdapter> out;
  for (const NetDevice& d : heard.devices) out.push_back(FromDevice(d, true));
  if (save) {
    DeviceStore store(*h.services.registry, kSettingsKey);
    const std::vector<std::string> loaded = store.ReadLines();
    std::vector<std::string> mine = loaded;
    for (const NetDevice& d : heard.devices) {
      if (!UnusableDeviceReason(d).empty()) continue;
      const bool stored = std::any_of(loaded.begin(), loaded.end(), [&](const std::string& line) {
        const auto s = ParseDeviceLine(line.starts_with("~") ? std::string_view(line).substr(1) : std::string_view(line));
        return s && s->IP == d.IP && s->Port == d.Port;
      });
      if (!stored) mine.push_back(StoredLine(d, false));
    }
    if (mine != loaded) store.SaveLines(loaded, mine);
  }
  return out;
}

Adapter::Adapter(const std::string& port, double timeoutS, const Poll& poll) : timeoutS_(timeoutS) {
  Host& h = H();
  std::lock_guard lock(h.mu);
  device_ = std::make_unique<AdapterDevice>(LinkFor(port), port, PortShown(port), h.product, nullptr,
                                            h.settings.get());
  Run(device_->Search(), poll);
}

Adapter::~Adapter() {
  std::lock_guard lock(H().mu);
  if (device_ && device_->Running()) device_->Stop();
  device_.reset();
}

const std::string& Adapter::Port() const { return device_->Port(); }
const IdentityRecord& Adapter::Identity() const { return device_->Session().Identity(); }
std::string Adapter::Battery() const { return device_->Session().Battery(); }
std::string Adapter::RunningMode() const { return device_->Session().RunningMode(); }

ModeListing Adapter::Modes(bool showAll) const {
  std::lock_guard lock(H().mu);
  device_->SetShowAll(showAll);
  return device_->Modes();
}

void Adapter::Run(bool begun, const Poll& poll) {
  if (!begun) throw ScriptError(ErrorKind::Busy, "another operation is using the adapter");
  const Waited w = Wait([this] { return !device_->Running(); }, timeoutS_, poll);
  if (w != Waited::Done) {
    device_->Stop();
    if (w == Waited::Interrupted) throw ScriptError(ErrorKind::Interrupted, "stopped");
    throw ScriptError(ErrorKind::Timeout, "the adapter's answer did not end within " +
                                              std::to_string(static_cast<int>(timeoutS_)) + " s");
  }
  const auto& r = device_->Session().LastResult();
  if (r && r->ok) return;
  throw ScriptError(KindOf(device_->Failure()), r ? r->cause : "failed");
}

void Adapter::Search(const Poll& poll) {
  std::lock_guard lock(H().mu);
  Run(device_->Search(), poll);
}

void Adapter::SelectMode(const std::string& id, const Poll& poll) {
  std::lock_guard lock(H().mu);
  const ModeListing modes = device_->Modes();
  const auto row = std::find_if(modes.rows.begin(), modes.rows.end(), [&](const ModeRow& r) { return r.id == id; });
  if (row == modes.rows.end()) throw ScriptError(ErrorKind::Refused, "the adapter lists no mode " + id);
  if (row->state == mode_state::Hidden)
    throw ScriptError(ErrorKind::Refused, "mode " + id + " cannot be selected: it is hidden");
  Run(device_->SelectMode(id), poll);
}

void Adapter::HideMode(const std::string& id, bool hidden) {
  std::lock_guard lock(H().mu);
  Settings& settings = *H().settings;
  for (const ModeEntry& m : Identity().modes) {
    if (m.id != id) continue;
    if (hidden && id == "000") throw ScriptError(ErrorKind::Refused, "mode 000 is always listed");
    if (hidden && id == RunningMode())
      throw ScriptError(ErrorKind::Refused, "mode " + id + " cannot be hidden: it is the running mode");
    StoreHidden(settings, id, m.description, hidden);
    return;
  }
  throw ScriptError(ErrorKind::Refused, "the adapter lists no mode " + id);
}

Adapter::SelfTestOutcome Adapter::SelfTest(const std::string& params, const Poll& poll) {
  std::lock_guard lock(H().mu);
  if (!Identity().bootloader) throw ScriptError(ErrorKind::Refused, "this adapter offers no self-test");
  Run(device_->SelfTest(params), poll);
  SelfTestOutcome o;
  if (const auto& v = device_->TestVerdict()) {
    o.errors = v->errors;
    o.warnings = v->warnings;
    o.verdict = v->text;
    o.passed = v->Passed();
  }
  o.log = device_->TestLog();
  return o;
}

FlashOutcome Adapter::Flash(const std::string& file, const Progress& progress, double timeoutS, bool search,
                            bool waitForPrompt, const Poll& poll) {
  std::vector<FlashOutcome> out = FlashMany({Port()}, file, progress, timeoutS, search, waitForPrompt, poll);
  FlashOutcome& o = out.front();
  if (!o.ok) throw ScriptError(ErrorKind::UploadFailed, o.result.empty() ? "the upload failed" : o.result);
  // The adapter restarts with its new firmware: what it says of itself now.
  try {
    Search(poll);
  } catch (const ScriptError& e) {
    if (e.kind == ErrorKind::Interrupted) throw;
  }
  return o;
}

void Adapter::Reset(const Poll& poll) {
  std::lock_guard lock(H().mu);
  Run(device_->Reset(), poll);
}

SystemOptions Adapter::ReadSystem(const Poll& poll) {
  std::lock_guard lock(H().mu);
  if (!device_->System()) throw ScriptError(ErrorKind::Refused, "this adapter reports no system options");
  Run(device_->ReadSystem(), poll);
  return *device_->System();
}

SystemOptions Adapter::WriteSystem(const SystemOptions& options, const Poll& poll) {
  std::lock_guard lock(H().mu);
  if (!device_->System()) throw ScriptError(ErrorKind::Refused, "this adapter reports no system options");
  for (int v : {options.wireless, options.bluetooth, options.wifi})
    if (v < 0 || v > 2) throw ScriptError(ErrorKind::Error, "system options take 0 to 2");
  Run(device_->SaveSystem(options), poll);
  return *device_->System();
}

namespace {
std::vector<std::pair<std::string, std::string>> DecodedRecord(const std::string& payload) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& [key, value] : ScanQueryPairs(payload)) out.emplace_back(QueryDecode(key), QueryDecode(value));
  return out;
}
}  // namespace

std::vector<std::pair<std::string, std::string>> Adapter::ReadWiFi(const Poll& poll) {
  std::lock_guard lock(H().mu);
  Run(device_->Command("WC"), poll);
  const auto& record = Identity().wifiRecord;
  if (!record) throw ScriptError(ErrorKind::Refused, "No WiFi settings in the reply.");
  return DecodedRecord(*record);
}

std::vector<std::pair<std::string, std::string>> Adapter::WriteWiFi(
    const std::vector<std::pair<std::string, std::string>>& values, const Poll& poll) {
  std::lock_guard lock(H().mu);
  if (values.empty()) throw ScriptError(ErrorKind::Error, "no WiFi setting to send");
  std::string command = "WC";
  char separator = '?';
  for (const auto& [key, value] : values) {
    if (key.empty()) throw ScriptError(ErrorKind::Error, "a WiFi setting needs a key");
    command += separator + QueryEncode(key) + "=" + QueryEncode(value);
    separator = '&';
  }
  Run(device_->Command(command), poll);
  const auto& record = Identity().wifiRecord;
  if (!record) throw ScriptError(ErrorKind::Refused, "No WiFi settings in the reply.");
  auto now = DecodedRecord(*record);
  for (const auto& [key, value] : values) {
    const auto it = std::find_if(now.begin(), now.end(), [&](const auto& p) { return p.first == key; });
    if (it == now.end() || it->second != value)
      throw ScriptError(ErrorKind::Refused, "the adapter did not take " + key);
  }
  return now;
}

std::vector<Adapter::AccessPoint> Adapter::ScanWiFi(const Poll& poll) {
  std::lock_guard lock(H().mu);
  Run(device_->Command("WS"), poll);
  std::vector<AccessPoint> out;
  for (const std::string& line : device_->ReplyLines()) {
    const ReplyLine r = ReadReplyLine(line);
    if (r.key != ReplyKey::AccessPoint || r.third == 's') continue;
    const AccessPointRow row = ParseScanPayload(r.value);
    out.push_back({row.ssid, row.rssi, row.channel, row.security, row.mac});
  }
  return out;
}

namespace {
// The driver's installer for the adapter's port, keeping its log.
struct Installer : LinkFinder, InstallDisplay {
  Installer(AdapterDevice& device, const std::string& programPath)
      : device_(device),
        services{
            .settings = *H().settings,
            .productName = H().product,
            .companyName = company,
            .programPath = programPath,
            .session = device.Session(),
            .messageBox =
                [this](const std::string&, const std::string& text, int) {
                  messages.push_back(text);
                  return mb::IdOk;
                },
            .shell = H().services.shell.get(),
            .libraries = H().services.libraries.get(),
            .archives = H().services.archives.get(),
            .folders = H().services.folders,
            .selectedPort = [&device] { return device.Port(); },
            .selectedPortText = [&device] { return device.PortShown(); },
            .portListClick = {},
            .writeFile = {},
            .busyRefusal = {},
        },
        installer(services, *this) {
    installer.Connect(this);
  }
  void Line(const std::string& text) override { log.push_back(text); }
  void Progress(int, bool) override {}
  void Checked(const DriverInstaller&) override {}
  // A link of its own for the adapter's port, for the one transfer.
  Link* FindLink(const std::string&) override {
    link = LinkFor(device_.Port());
    return link.get();
  }
  AdapterDevice& device_;
  std::string company = [] {
    const auto v = BuiltInVersionRecord();
    return v ? v->companyName : std::string();
  }();
  std::vector<std::string> messages, log;
  std::unique_ptr<Link> link;
  PassThruServices services;
  DriverInstaller installer;
};
}  // namespace

Adapter::DriverOutcome Adapter::InstallDriver(const std::string& programPath) {
  std::lock_guard lock(H().mu);
  if (Identity().passThruVersion.empty())
    throw ScriptError(ErrorKind::Refused, "the adapter offers no pass-thru driver");
  Installer i(*device_, programPath);
  i.installer.Install();
  DriverOutcome o;
  o.offered = Identity().passThruVersion;
  o.log = i.log;
  switch (i.installer.LastResult()) {
    case InstallResult::Installed:
      break;
    case InstallResult::PortNotOpened:
      throw ScriptError(ErrorKind::NotFound, i.messages.empty() ? "the port could not be opened" : i.messages.back());
    default: {
      std::string why = i.installer.LastError();
      if (why.empty() && !o.log.empty()) why = o.log.back();
      if (why.empty() && !i.messages.empty()) why = i.messages.back();
      throw ScriptError(ErrorKind::Error, "the driver was not installed" + (why.empty() ? "" : ": " + why));
    }
  }
  o.version = i.installer.InstalledVersion();
  o.path = i.installer.DriverPath();
  o.registeredAs = i.installer.DeviceKey();
  o.loadableHere = i.installer.ForeignRemark().empty();
  return o;
}

std::string Adapter::DriverVersion() {
  std::lock_guard lock(H().mu);
  Installer i(*device_, {});
  i.installer.CheckVersion(false);
  return i.installer.DriverPresent() ? i.installer.InstalledVersion() : std::string();
}

Demo::Demo(const std::string& driverLibrary) {
  std::lock_guard lock(H().mu);
  adapter_ = std::make_unique<DemoAdapter>(driverLibrary);
  std::string error;
  if (!adapter_->Start(error)) throw ScriptError(ErrorKind::Error, error);
  H().links->AddVirtualPort(adapter_->Port(), kDemoPortDescription);
  H().links->ScanAll();
  H().demoNetwork = adapter_->Network();
}

Demo::~Demo() {
  std::lock_guard lock(H().mu);
  H().links->RemoveVirtualPort(adapter_->Port());
  if (H().demoNetwork == adapter_->Network()) H().demoNetwork = nullptr;
  adapter_.reset();
}

std::string Demo::Port() const { return adapter_->Port(); }
std::string Demo::NetPort() const { return adapter_->NetPort(); }
std::string Demo::StoredImage() const {
  std::lock_guard lock(H().mu);
  return adapter_->StoredImage();
}

}  // namespace bx::script
