#pragma once
// The six links the main window owns for its whole life: five serial links, one per
// watched driver family, then the network link; and the one of them that is the
// ActiveLink, through which all adapter traffic goes.
#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "core/PortList.h"
#include "links/Link_com.h"
#include "links/Link_net.h"
#include "links/PortProperties.h"
#include "links/VirtualPorts.h"

namespace bx {

class Registry;

inline constexpr char kSettingsKeyPath[] = "SOFTWARE\\dulMAR Company ::.";
inline constexpr char kSerialPrefix[] = "/dev/";
inline constexpr char kWindowsSerialPrefix[] = "COM";

enum class SerialSource {
  Sysfs,     // the Linux driver families and the virtual ports
  Registry,  // the Windows drivers' device lists in the machine hive
};

struct LinkConfig {
  // Read under HKEY_LOCAL_MACHINE by the network link and, with SerialSource::Registry,
  // by the serial links; may be null. Must be safe to use from the scan threads.
  Registry* registry = nullptr;
  std::string settingsKey = kSettingsKeyPath;
  SerialSource serialSource = SerialSource::Sysfs;
  std::string sysRoot = "/sys";
  std::string devRoot = "/dev";
  // The serial links' prefix; empty for the source's own ("/dev/" or "COM").
  std::string serialPrefix;
  // Ports the virtual family lists from the first pass on (--port, the demo).
  std::vector<VirtualPort> virtualPorts;
  // False: no scan threads; ScanAll (or WaitScan) runs the passes on the caller's thread.
  bool scanThreads = true;
  // The wire trace every link of the table, and every link NewLinkFor makes, reports
  // to; null for none. Must outlive the table and those links.
  LinkTrace* trace = nullptr;
};

class LinkTable {
 public:
  static constexpr std::size_t kLinks = 6;

  explicit LinkTable(const LinkConfig& config);  // LinksCreate
  ~LinkTable();                                  // LinksDestroy: ends every thread
  LinkTable(const LinkTable&) = delete;
  LinkTable& operator=(const LinkTable&) = delete;

  std::size_t Count() const { return kLinks; }
  TLink_Channel& At(std::size_t i) const { return *links_[i]; }
  TLink_COM& Serial(std::size_t i) const { return *serial_[i]; }  // 0..4, table order
  TLink_NET& Net() const { return *net_; }

  // The first link in table order that owns the name, or null.
  TLink_Channel* FindLinkForPort(const std::string& name) const;
  // ActiveLink := FindLinkForPort(name) (null when none); then sets its port name and
  // opens it.
  bool OpenPort(const std::string& name);
  // A link of its own for one port, of the kind that owns the name here: without scan
  // thread and not in the table, so that many ports can be open at once (a batch
  // flash). Null when no link owns the name.
  std::unique_ptr<TLink_Channel> NewLinkFor(const std::string& name) const;
  TLink_Channel* ActiveLink() const { return active_.load(); }
  void SetActiveLink(TLink_Channel* link) { active_.store(link); }

  // Every link's rows in table order, merged by AddPort into `lists` (which keeps
  // what it holds already).
  void CollectPorts(PortLists& lists) const;
  PortLists CollectPorts() const;

  // The virtual family (with the Registry source, merged into the last serial link).
  // The port shows from the next scan pass on; WaitScanAll(true) waits for it.
  void AddVirtualPort(const std::string& name, const std::string& description, const std::string& detail = "");
  bool RemoveVirtualPort(const std::string& name);

  void ScanAll();                // one pass of every link on this thread
  bool WaitScanAll(bool fresh);  // WaitScan on every link

 private:
  std::array<std::unique_ptr<TLink_COM>, 5> serial_;
  std::unique_ptr<TLink_NET> net_;
  std::array<TLink_Channel*, kLinks> links_{};
  std::shared_ptr<VirtualPorts> virtual_;
  Registry* registry_ = nullptr;
  std::string settingsKey_;
  LinkTrace* trace_ = nullptr;
  std::atomic<TLink_Channel*> active_{nullptr};
};

std::unique_ptr<LinkTable> LinksCreate(const LinkConfig& config);
void LinksDestroy(std::unique_ptr<LinkTable>& table);

}  // namespace bx
