#pragma once
// The UDP search for network adapters: one socket on the search port, four passes of
// ten 100-ms ticks of tmrUDP, each pass sending the request once to each destination
// (the whole network: the limited broadcast, then each interface's directed broadcast;
// or one device's address) and reading at most one answer per tick. Answers go into the
// sink's log; those that read as device lines go to its device list. The search cannot be
// interrupted by the user: the window's pages are disabled until it ends on its own.
#include <memory>
#include <string>
#include <vector>

#include "core/Protocol.h"
#include "netdev/SearchSink.h"
#include "platform/DatagramNetwork.h"
#include "ui/Controls.h"

namespace bx {

struct NetworkSearchServices {
  DatagramNetwork* network = nullptr;  // nullptr: no search can start
  SearchSink& sink;
  ui::TTimer& timer;  // ticks the search (its OnTimer runs tmrUDPTimer)
};

class NetworkSearch : public NetworkSearcher {
 public:
  static constexpr uint16_t kPort = proto::kDiscoveryPort;  // bound locally and sent to
  static constexpr int kPasses = 4;
  static constexpr int kTicksPerPass = 10;
  static constexpr int kTickMs = 100;
  static constexpr std::size_t kMaxAddresses = 8;
  static constexpr std::size_t kMaxAnswer = 1023;  // longer datagrams are not handled

  explicit NetworkSearch(NetworkSearchServices services);
  ~NetworkSearch() override;

  // The request: "I am searching for " and the identification word.
  static std::string Request();
  // The destinations of a pass for a target that resolved to `address`.
  static std::vector<uint32_t> Destinations(uint32_t address, const std::vector<NetInterface>& interfaces);

  // NetworkSearcher. Start does nothing while a search runs.
  void Start(const std::string& target) override;
  void Stop() override;
  bool Running() const override { return socket_ != nullptr; }

  void tmrUDPTimer();

 private:
  bool OpenSocket();
  void BeginPass();
  void Send(uint32_t to);
  void HandleAnswer(const Bytes& text);

  NetworkSearchServices s_;
  std::unique_ptr<DatagramSocket> socket_;
  std::string target_;
  std::string request_;
  int passesLeft_ = 0;
  std::vector<uint32_t> addresses_;
  int tick_ = 0;
};

}  // namespace bx
