#pragma once
// The adapter's reply framing (TakeReplyFrame) over a stream that arrives in chunks: the
// frames taken must be those of the whole stream read at once, whatever the chunking,
// and noise outside a frame must not pile up.
#include <string_view>
#include <vector>

#include "Check.h"
#include "Input.h"
#include "core/Protocol.h"
#include "exchange/Exchange.h"

namespace bx::fuzz {

// The framing rule stated plainly: a frame opens at a CR LF and ends at the first
// CR LF CR LF from there on; the body is what lies between.
inline std::vector<Bytes> FramesOf(std::string_view stream) {
  std::vector<Bytes> bodies;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t open = stream.find(proto::kCrLf, pos);
    if (open == std::string_view::npos) break;
    const std::size_t end = stream.find(proto::kFrameEnd, open);
    if (end == std::string_view::npos) break;
    bodies.emplace_back(end == open ? std::string_view() : stream.substr(open + 2, end - open - 2));
    pos = end + proto::kFrameEnd.size();
  }
  return bodies;
}

inline void DriveReplyFrame(std::string_view input) {
  const std::vector<Bytes> chunks = CutIntoChunks(input);
  Bytes stream, buffer, body;
  bool frameOpen = false;
  std::size_t searched = 0;  // as the exchange takes them: resuming the search for the end
  std::vector<Bytes> bodies;
  for (const Bytes& chunk : chunks) {
    stream += chunk;
    buffer += chunk;
    while (TakeReplyFrame(buffer, frameOpen, body, searched)) {
      Check(body.find(proto::kFrameEnd) == Bytes::npos, "a frame body holds no frame end");
      bodies.push_back(body);
    }
    Check(frameOpen || buffer.size() <= 1, "noise outside a frame is not kept");
  }
  Check(bodies == FramesOf(stream), "chunked frames are the frames of the whole stream");
}

}  // namespace bx::fuzz
