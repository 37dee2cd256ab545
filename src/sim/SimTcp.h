#pragma once
// The simulated adapter behind a TCP listener, as its WiFi serial bridge offers it. One
// connection is served at a time; a new one replaces the old. A "disconnect" fault closes
// the connection; the listener stays.
#include <memory>
#include <string>

#include "sim/Adapter.h"

namespace bx::sim {

class TcpAdapter {
 public:
  TcpAdapter(std::shared_ptr<Adapter> adapter, std::string host, int port);  // port 0: any free one
  ~TcpAdapter();
  TcpAdapter(const TcpAdapter&) = delete;
  TcpAdapter& operator=(const TcpAdapter&) = delete;

  bool Start(std::string* error = nullptr);
  void Stop();
  std::string Host() const;
  int Port() const;  // the bound port, known after Start
  int Connections() const;

 private:
  struct Impl;
  std::shared_ptr<Adapter> adapter_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace bx::sim
