#pragma once
// Answers the network search: a datagram holding exactly the search request ("I am
// searching for " + the identification word) gets the scenario's answers (by default the
// adapter's device line, naming its TCP listener) back where it came from, each after
// its delay. On a real UDP socket (UdpResponder) or as a far host of an in-process
// network (AnswerOn, for the demo: nothing leaves the process).
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/DatagramNetwork.h"
#include "sim/Adapter.h"

namespace bx {
class InProcessNetwork;
}

namespace bx::sim {

std::string SearchRequest();  // the 28-byte request the program sends

struct UdpReply {
  Bytes data;
  int delayMs = 0;
};

// The answers to one datagram: none unless it is the whole search request; else those
// of the scenario's answers that apply to a request sent to a broadcast address (or to
// the adapter alone), in order. `deviceIp`/`devicePort` fill the adapter's own line
// unless the scenario names others. Logs an event either way.
std::vector<UdpReply> AnswerSearch(Adapter& adapter, const Datagram& request, bool broadcast,
                                   const std::string& deviceIp, const std::string& devicePort);

class UdpResponder {
 public:
  // `deviceIp`/`devicePort`: what the answer names unless the scenario sets net_ip/net_port.
  UdpResponder(std::shared_ptr<Adapter> adapter, std::string host, int port, std::string deviceIp,
               std::string devicePort);
  ~UdpResponder();
  UdpResponder(const UdpResponder&) = delete;
  UdpResponder& operator=(const UdpResponder&) = delete;

  bool Start(std::string* error = nullptr);
  void Stop();
  int Port() const;               // the bound port, known after Start
  int Requests() const;           // search requests received
  int BroadcastRequests() const;  // of those, sent to a broadcast address
  int Answers() const;            // datagrams sent back
  // How many search requests came to each destination address (as the datagram was
  // addressed: the limited broadcast, a directed one, this host's own), in the order the
  // destinations were first seen; 0 where the system does not tell.
  std::vector<std::pair<uint32_t, int>> RequestsByDestination() const;

 private:
  struct Impl;
  std::shared_ptr<Adapter> adapter_;
  std::unique_ptr<Impl> impl_;
};

// Puts the adapter on `network` as a far host at `address`, answering on the search port
// as the responder does. The network keeps the adapter alive.
void AnswerOn(InProcessNetwork& network, uint32_t address, std::shared_ptr<Adapter> adapter, std::string deviceIp,
              std::string devicePort);

}  // namespace bx::sim
