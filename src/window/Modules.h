#pragma once
// The pages' own state and handlers, owned by the window. Each module gets its page's
// controls and the siblings it calls through its constructor; the members are declared
// in the order they are built, each after those it needs.
#include <memory>

namespace bx {

class TfrmMain;
class WiFiPage;
class SystemPage;
class NetworkPage;
class NetworkSearch;
class PassThruPage;
class AdapterSession;
class PortList;
class Exchange;
class ExchangePresenter;
class Identity;
class ModeList;
class UpdatePage;
class SelfTest;
class ModeHousekeeping;
class TableLinks;

struct WindowModules {
  explicit WindowModules(TfrmMain& form);
  ~WindowModules();
  // The adapter this window talks to, as the pages show it and the command line reads it.
  std::unique_ptr<AdapterSession> session;
  std::unique_ptr<PortList> ports;
  std::unique_ptr<Identity> identity;
  // Which controls wait while an exchange runs, and the status strip's part in it.
  std::unique_ptr<ExchangePresenter> presenter;
  std::unique_ptr<Exchange> exchange;
  std::unique_ptr<ModeList> modes;
  std::unique_ptr<ModeHousekeeping> housekeeping;
  std::unique_ptr<WiFiPage> wifi;
  std::unique_ptr<SystemPage> system;
  std::unique_ptr<NetworkPage> network;
  std::unique_ptr<NetworkSearch> search;
  std::unique_ptr<PassThruPage> passThru;
  std::unique_ptr<SelfTest> selftest;
  std::unique_ptr<UpdatePage> update;
  // The link table as the exchange and the driver transfer find their links and the port
  // list its ports (made with the links, gone with them).
  std::unique_ptr<TableLinks> links;

 private:
  class FollowingPages;
  std::unique_ptr<FollowingPages> pages;
};

}  // namespace bx
