#pragma once
// The bootloader's side of the upload protocol: the bytes that start each message, the
// cutting of the receive stream into whole messages, and the header reply's fields.
//
// Adapter to program, the first byte tells the kind and the length:
//   ">"            1 byte       prompt
//   "-"            1 byte       negative acknowledgement
//   "." n n        3 bytes      page request (page number, low byte first)
//   "+" L data     2 + L bytes  positive acknowledgement; data depends on the state
#include <cstdint>
#include <string>
#include <string_view>

#include "core/Bytes.h"

namespace bx::boot {

// Program to adapter.
inline constexpr char kConnect = '<';
inline constexpr char kHeader = '#';
inline constexpr char kPage = '@';
// Adapter to program.
inline constexpr char kPrompt = '>';
inline constexpr char kNak = '-';
inline constexpr char kPageRequest = '.';
inline constexpr char kAck = '+';
// The page number of the end frame and of its acknowledgement.
inline constexpr uint16_t kEndMarker = 0xFFFF;

// Receive buffer that hands out one whole message at a time. Bytes that cannot start a
// message are dropped when they reach the head; a message is only cut once all of it has
// arrived.
class ReplySplitter {
 public:
  void Append(std::string_view bytes);
  // The next whole message into `reply`; false when none is complete yet.
  bool Next(Bytes& reply);
  void Clear();
  std::size_t Buffered() const { return buffer_.size() - head_; }

 private:
  Bytes buffer_;
  std::size_t head_ = 0;  // bytes before head_ are already taken
};

// The bootloader's answer to the header: "+", L, page size (2 bytes), the adapter's serial
// number (8 characters) and its ID text (the rest). Fields cut off by a short message are
// empty, and the missing bytes of the page size count as 0.
struct HeaderReply {
  int pageSize = 0;
  std::string serial;
  std::string id;
};
HeaderReply ParseHeaderReply(std::string_view reply);

// The page number carried by a page request or acknowledgement ("." n n or "+" L n n).
uint16_t PageRequestNumber(std::string_view reply);
uint16_t AckPageNumber(std::string_view reply);

}  // namespace bx::boot
