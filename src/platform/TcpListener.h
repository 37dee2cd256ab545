#pragma once
// A TCP listener for a program that plays a network device, and the connections it
// accepts. Non-blocking throughout: the owner waits on the handles with PollHandles.
//
// Threads: Listen may run on any thread; after that one thread at a time uses a listener
// or a connection (the one that polls it).
#include <cstdint>
#include <memory>
#include <string>

namespace bx {

class TcpConnection {
 public:
  ~TcpConnection();
  TcpConnection(const TcpConnection&) = delete;
  TcpConnection& operator=(const TcpConnection&) = delete;

  std::intptr_t Handle() const { return handle_; }  // for PollHandles
  // False at the end of the stream or when the peer is gone; writes never raise SIGPIPE.
  bool ReadAvailable(std::string& out, std::size_t max = 1 << 20);
  bool WritePending(std::string& pending);

 private:
  friend class TcpListener;
  explicit TcpConnection(std::intptr_t handle) : handle_(handle) {}
  std::intptr_t handle_ = -1;
};

class TcpListener {
 public:
  // Listens on `host` (a name or a numeric IPv4/IPv6 address; empty: every local address)
  // and `port` (0: one the system picks). nullptr and `error` when that fails.
  static std::unique_ptr<TcpListener> Listen(const std::string& host, uint16_t port, std::string* error = nullptr);

  ~TcpListener();
  TcpListener(const TcpListener&) = delete;
  TcpListener& operator=(const TcpListener&) = delete;

  uint16_t Port() const { return port_; }           // the port really bound
  std::intptr_t Handle() const { return handle_; }  // readable when a connection waits
  // The next waiting connection, with Nagle's delay off; nullptr when none waits.
  std::unique_ptr<TcpConnection> Accept();

 private:
  TcpListener(std::intptr_t handle, uint16_t port) : handle_(handle), port_(port) {}
  std::intptr_t handle_ = -1;
  uint16_t port_ = 0;
};

}  // namespace bx
