#include "firmware/BootReply.h"

namespace bx::boot {

namespace {
bool CanStartMessage(char c) { return c == kPrompt || c == kNak || c == kPageRequest || c == kAck; }

// Length of the message at the head of `s` once enough of it is there to tell, else 0.
std::size_t MessageLength(std::string_view s) {
  switch (s[0]) {
    case kAck:
      return s.size() < 2 ? 0 : 2 + static_cast<unsigned char>(s[1]);
    case kPageRequest:
      return 3;
    default:
      return 1;
  }
}
}  // namespace

void ReplySplitter::Append(std::string_view bytes) {
  // Taken bytes are dropped here, not per message, so that a flood of small messages
  // costs linear time.
  if (head_ > 0) {
    buffer_.erase(0, head_);
    head_ = 0;
  }
  buffer_.append(bytes);
}

bool ReplySplitter::Next(Bytes& reply) {
  std::string_view rest = std::string_view(buffer_).substr(head_);
  std::size_t skip = 0;
  while (skip < rest.size() && !CanStartMessage(rest[skip])) ++skip;
  head_ += skip;
  rest.remove_prefix(skip);
  if (rest.empty()) {
    Clear();
    return false;
  }
  const std::size_t length = MessageLength(rest);
  if (length == 0 || rest.size() < length) return false;
  reply.assign(rest.substr(0, length));
  head_ += length;
  if (head_ == buffer_.size()) Clear();
  return true;
}

void ReplySplitter::Clear() {
  buffer_.clear();
  head_ = 0;
}

HeaderReply ParseHeaderReply(std::string_view reply) {
  HeaderReply h;
  h.pageSize = LE16(reply, 2);
  if (reply.size() > 4) h.serial = std::string(reply.substr(4, 8));
  if (reply.size() > 12) h.id = std::string(reply.substr(12));
  return h;
}

uint16_t PageRequestNumber(std::string_view reply) { return LE16(reply, 1); }
uint16_t AckPageNumber(std::string_view reply) { return LE16(reply, 2); }

}  // namespace bx::boot
