#pragma once
// The bootloader's messages: the splitter over a chunked stream must hand out the same
// messages as over the whole stream, each one whole and of its kind's length, and the
// header reply's fields must stay inside the message.
#include <string_view>
#include <vector>

#include "Check.h"
#include "Input.h"
#include "firmware/BootReply.h"

namespace bx::fuzz {

inline std::size_t BootMessageLength(std::string_view m) {
  switch (m[0]) {
    case boot::kAck:
      return m.size() < 2 ? 0 : 2 + static_cast<unsigned char>(m[1]);
    case boot::kPageRequest:
      return 3;
    default:
      return 1;
  }
}

inline void CheckHeaderReply(std::string_view m) {
  const boot::HeaderReply h = boot::ParseHeaderReply(m);
  Check(h.pageSize >= 0 && h.pageSize <= 0xFFFF, "the page size is a 16-bit number");
  Check(h.serial.size() <= 8, "the serial number has at most 8 characters");
  Check(m.size() < 4 || std::string_view(m).substr(4, 8) == h.serial, "the serial number follows the page size");
  Check(m.size() < 12 ? h.id.empty() : std::string_view(m).substr(12) == h.id, "the ID text is the rest");
}

inline std::vector<Bytes> SplitWhole(std::string_view stream) {
  boot::ReplySplitter s;
  s.Append(stream);
  std::vector<Bytes> out;
  Bytes m;
  while (s.Next(m)) out.push_back(m);
  return out;
}

inline void DriveBootReply(std::string_view input) {
  const std::vector<Bytes> chunks = CutIntoChunks(input);
  boot::ReplySplitter splitter;
  Bytes stream, m;
  std::vector<Bytes> messages;
  for (const Bytes& chunk : chunks) {
    stream += chunk;
    splitter.Append(chunk);
    while (splitter.Next(m)) {
      Check(!m.empty() && BootMessageLength(m) == m.size(), "a message is whole");
      Check(m[0] == boot::kPrompt || m[0] == boot::kNak || m[0] == boot::kPageRequest || m[0] == boot::kAck,
            "a message starts with its kind");
      if (m[0] == boot::kAck) CheckHeaderReply(m);
      messages.push_back(m);
    }
    Check(splitter.Buffered() <= 2 + 255, "no more than one unfinished message is kept");
  }
  Check(messages == SplitWhole(stream), "chunked messages are those of the whole stream");
  // The field readers also take whatever the caller hands them.
  CheckHeaderReply(stream);
  (void)boot::PageRequestNumber(stream);
  (void)boot::AckPageNumber(stream);
}

}  // namespace bx::fuzz
