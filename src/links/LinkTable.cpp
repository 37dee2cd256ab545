#include "links/LinkTable.h"

#include "links/MergedPorts.h"
#include "links/RegistryPorts.h"
#include "links/SysfsPorts.h"

namespace bx {

LinkTable::LinkTable(const LinkConfig& config)
    : registry_(config.registry), settingsKey_(config.settingsKey), trace_(config.trace) {
  const bool threads = config.scanThreads;
  if (config.serialSource == SerialSource::Registry && config.registry) {
    std::string prefix = config.serialPrefix.empty() ? kWindowsSerialPrefix : config.serialPrefix;
    virtual_ = std::make_shared<VirtualPorts>();
    for (const VirtualPort& p : config.virtualPorts) virtual_->Add(p);
    for (std::size_t i = 0; i < 5; ++i) {
      std::shared_ptr<PortSource> source = std::make_shared<RegistryPorts>(*config.registry, kSerialDriverServices[i]);
      if (i == 4) source = std::make_shared<MergedPorts>(source, virtual_);
      serial_[i] = std::make_unique<TLink_COM>(prefix, source, threads);
    }
  } else {
    std::string prefix = config.serialPrefix.empty() ? kSerialPrefix : config.serialPrefix;
    const SerialFamily families[4] = {SerialFamily::UsbSerial, SerialFamily::CdcAcm, SerialFamily::Rfcomm,
                                      SerialFamily::Uart};
    for (std::size_t i = 0; i < 4; ++i) {
      serial_[i] = std::make_unique<TLink_COM>(
          prefix, std::make_shared<SysfsPorts>(families[i], config.sysRoot, config.devRoot), threads);
    }
    virtual_ = std::make_shared<VirtualPorts>();
    for (const VirtualPort& p : config.virtualPorts) virtual_->Add(p);
    serial_[4] = std::make_unique<TLink_COM>(prefix, virtual_, threads);
  }
  net_ = std::make_unique<TLink_NET>(config.registry, config.settingsKey, threads);
  for (std::size_t i = 0; i < 5; ++i) links_[i] = serial_[i].get();
  links_[5] = net_.get();
  for (TLink_Channel* link : links_) link->SetTrace(trace_);
}

LinkTable::~LinkTable() {
  active_.store(nullptr);
  net_.reset();
  for (auto& s : serial_) s.reset();
}

TLink_Channel* LinkTable::FindLinkForPort(const std::string& name) const {
  for (TLink_Channel* link : links_) {
    if (link->OwnsPort(name)) return link;
  }
  return nullptr;
}

std::unique_ptr<TLink_Channel> LinkTable::NewLinkFor(const std::string& name) const {
  TLink_Channel* owner = FindLinkForPort(name);
  if (!owner) return nullptr;
  std::unique_ptr<TLink_Channel> link;
  if (owner == net_.get()) {
    link = std::make_unique<TLink_NET>(registry_, settingsKey_, false);
  } else {
    for (const auto& serial : serial_)
      if (owner == serial.get()) link = std::make_unique<TLink_COM>(serial->Prefix(), serial->SharedSource(), false);
  }
  if (link) link->SetTrace(trace_);
  return link;
}

bool LinkTable::OpenPort(const std::string& name) {
  TLink_Channel* link = FindLinkForPort(name);
  active_.store(link);
  if (!link) return false;
  link->SetPortName(name);
  return link->Open();
}

void LinkTable::CollectPorts(PortLists& lists) const {
  for (TLink_Channel* link : links_) link->MergeRowsInto(lists);
}

PortLists LinkTable::CollectPorts() const {
  PortLists lists;
  CollectPorts(lists);
  return lists;
}

void LinkTable::AddVirtualPort(const std::string& name, const std::string& description, const std::string& detail) {
  if (virtual_) virtual_->Add({name, description, detail});
}

bool LinkTable::RemoveVirtualPort(const std::string& name) { return virtual_ && virtual_->Remove(name); }

void LinkTable::ScanAll() {
  for (TLink_Channel* link : links_) link->ScanOnce();
}

bool LinkTable::WaitScanAll(bool fresh) {
  bool all = true;
  for (TLink_Channel* link : links_) all = link->WaitScan(fresh) && all;
  return all;
}

std::unique_ptr<LinkTable> LinksCreate(const LinkConfig& config) { return std::make_unique<LinkTable>(config); }

void LinksDestroy(std::unique_ptr<LinkTable>& table) { table.reset(); }

}  // namespace bx
