#include "cli/AdapterSteps.h"

#include <ostream>

#include "cli/Cli.h"
#include "links/LinkTable.h"
#include "session/AdapterSession.h"

namespace bx::cli {

std::unique_ptr<AdapterDevice> ChosenDevice(Session& s, DeviceListener* listener) {
  const std::string& port = s.port;
  std::unique_ptr<Link> link = s.links && !port.empty() ? s.links->NewLinkFor(port) : nullptr;
  return std::make_unique<AdapterDevice>(std::move(link), port, s.PortShown(port), s.productName, listener,
                                         s.settings.get());
}

bool RunDevice(Session& s, AdapterDevice& d, bool begun, int64_t limitMs) {
  if (!begun) {
    s.Fail(1, "another operation is using the adapter");
    return false;
  }
  if (!s.RunUntil([&] { return !d.Running(); }, limitMs)) {
    const bool signalled = s.Signal() != 0;
    d.Stop();
    if (!signalled) s.Fail(1, "the adapter's answer did not end");
    return false;
  }
  const auto& r = d.Session().LastResult();
  if (r && r->ok) return true;
  const std::string cause = r ? r->cause : "failed";
  switch (d.Failure()) {
    case DeviceFailure::PortNotOpened:
    case DeviceFailure::PortBusy:
      s.AppMessageBox("Error...", cause, mb::IconError);
      break;
    case DeviceFailure::NotFound:
      s.AppMessageBox("Error...", cause + "\r\n\r\n" + NotFoundChecks(d.Port(), s.serialPrefix, false), mb::IconError);
      break;
    case DeviceFailure::Stopped:
      break;
    default:
      s.Fail(1, cause);
      break;
  }
  return false;
}

bool Search(Session& s, AdapterDevice& d, bool showAll, int64_t limitMs) {
  d.SetShowAll(showAll);
  return RunDevice(s, d, d.Search(), limitMs);
}

void PrintModes(Session& s, const ModeListing& modes) {
  *s.out << "#\tID\tDescription\tState\n";
  for (const ModeRow& row : modes.rows)
    *s.out << Shown(row.number) << "\t" << Shown(row.id) << "\t" << Shown(row.description) << "\t"
           << ModeStateName(row.state) << "\n";
}

Json ModesJson(const ModeListing& modes) {
  Json out = Json::array();
  for (const ModeRow& row : modes.rows)
    out.push_back({{"number", row.number},
                   {"id", row.id},
                   {"description", row.description},
                   {"state", ModeStateName(row.state)}});
  return out;
}

Json StatusJson(const AdapterSession& a) {
  const IdentityRecord& id = a.Identity();
  Json j = {{"hardware", id.hardware},
            {"bootware", id.bootware},
            {"firmware", id.firmware},
            {"serial", id.serial},
            {"port", a.PortShown()}};
  if (!a.Battery().empty()) j["battery"] = a.Battery();
  return j;
}

}  // namespace bx::cli
