#pragma once
// The window's link table as its users see it: the exchange and the driver transfer find
// the link of a port there (which becomes the active link), the port list its ports and
// their properties, the Network page the stored devices as the network link reads them.
#include <string>

#include "exchange/PortList.h"
#include "netdev/NetworkPage.h"
#include "links/LinkFinder.h"
#include "links/LinkTable.h"
#include "links/PortProperties.h"

namespace bx {

class TableLinks : public LinkFinder, public PortFeed, public SavedDevices {
 public:
  TableLinks(LinkTable& links, std::string sysRoot) : links_(links), sysRoot_(std::move(sysRoot)) {}
  Link* FindLink(const std::string& port) override {
    TLink_Channel* link = links_.FindLinkForPort(port);
    links_.SetActiveLink(link);
    return link;
  }
  PortLists Collect() override { return links_.CollectPorts(); }
  std::vector<std::string> FreshEntries() override { return links_.Net().SavedEntries(); }
  PropertyRows Properties(const std::string&, const std::string& detail) override {
    PropertyRows rows;
    for (const auto& p : PortProperties(detail, sysRoot_)) rows.emplace_back(p.label, p.value);
    return rows;
  }

 private:
  LinkTable& links_;
  std::string sysRoot_;
};

}  // namespace bx
