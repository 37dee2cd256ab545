#pragma once
// Answers the network search: a datagram holding exactly the search request ("I am
// searching for " + the identification word) gets the adapter's device line back, sent to
// where the request came from.
#include <memory>
#include <string>

#include "sim/Adapter.h"

namespace bx::sim {

std::string SearchRequest();  // the 28-byte request the program sends

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
  int Port() const;  // the bound port, known after Start
  int Answers() const;

 private:
  struct Impl;
  std::shared_ptr<Adapter> adapter_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace bx::sim
