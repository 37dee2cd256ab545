#pragma once
// IPv4 sockets for the links and the network search: a TCP connection with a bounded
// connect that serves as a link Stream, a UDP socket for broadcasts, name resolution and
// the list of local interfaces. Addresses and ports are in host byte order.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Bytes.h"
#include "platform/DatagramNetwork.h"
#include "platform/Stream.h"

namespace bx {

// Dotted-quad text and back; nullopt for anything that is not four decimal octets.
std::string Ipv4ToText(uint32_t address);
std::optional<uint32_t> Ipv4FromText(const std::string& text);

// A dotted address resolves to itself without asking a name server; other names go
// through the system resolver (which may block). The first IPv4 address, or nullopt.
std::optional<uint32_t> ResolveIPv4(const std::string& host);

enum class ConnectStatus { Ok, Refused, TimedOut, Unreachable, Failed };

class TcpSocket;

struct ConnectResult {
  std::unique_ptr<TcpSocket> socket;  // set only with Ok
  ConnectStatus status = ConnectStatus::Failed;
  int systemError = 0;
};

class TcpSocket : public Stream {
 public:
  // A non-blocking connect waited on for at most timeoutMs; the socket stays
  // non-blocking afterwards. A connect that has not finished in time is abandoned and its
  // socket closed, once, by this call.
  static ConnectResult Connect(uint32_t address, uint16_t port, int timeoutMs);

  ~TcpSocket() override;
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;

  WaitResult WaitReadable(const WaitEvent& stop, int timeoutMs) override;  // HungUp at end of stream
  WaitResult WaitWritable(const WaitEvent& stop, int timeoutMs) override;
  long Read(char* buffer, std::size_t size) override;
  long Write(const char* data, std::size_t size) override;  // never raises SIGPIPE
  void Close() override;
  bool IsOpen() const override { return handle_ >= 0; }

  int BytesReadable() const;  // FIONREAD; 0 when unknown

 private:
  // The backend's state beside the handle (the Windows backend's network event).
  struct Io;
  explicit TcpSocket(std::intptr_t handle);
  std::intptr_t handle_ = -1;
  std::unique_ptr<Io> io_;
};

// The system's UDP socket; MakeSystemDatagramNetwork hands these out, the simulator uses
// them directly.
class UdpSocket : public DatagramSocket {
 public:
  static std::unique_ptr<UdpSocket> Open(SocketError* error = nullptr);  // nullptr when no socket can be had

  ~UdpSocket() override;
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;

  bool Bind(uint32_t address, uint16_t port, SocketError* error = nullptr) override;
  bool SetBroadcast(bool on) override;
  bool SetDontRoute(bool on) override;
  uint16_t LocalPort() const override;
  bool SendTo(uint32_t address, uint16_t port, const Bytes& data, SocketError* error = nullptr) override;
  bool PollReadable(int timeoutMs) override;
  // Also tells where the datagram was sent (toAddress).
  std::optional<Datagram> ReceiveFrom(std::size_t maxBytes) override;
  // Before Bind: a port another socket has just left binds at once.
  bool SetReuseAddress(bool on);
  // What PollHandles watches; the socket's owner thread alone polls it.
  std::intptr_t NativeHandle() const { return handle_; }

 private:
  explicit UdpSocket(std::intptr_t handle) : handle_(handle) {}
  std::intptr_t handle_ = -1;
};

// Every interface once, in the order the system lists them.
std::vector<NetInterface> LocalInterfaces();

}  // namespace bx
