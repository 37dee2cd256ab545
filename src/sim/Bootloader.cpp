#include "sim/Bootloader.h"

#include "core/Sha256.h"

namespace bx::sim {

uint16_t PageChecksum(std::string_view data) {
  unsigned sum = 0;
  for (unsigned char c : data) sum += c;
  return uint16_t(sum & 0xFFFF);
}

Bootloader::Bootloader(AdapterModel& model, Emit emit, SimTime start)
    : m_(model), emit_(std::move(emit)), pageSize_(model.scenario().pageSize) {
  if (m_.scenario().promptDelayMs >= 0) promptAt_ = start + Ms(m_.scenario().promptDelayMs);
}

Bytes Bootloader::Plus(const Bytes& data) {
  Bytes b = "+";
  b += char(uint8_t(data.size()));
  return b + data;
}

Bytes Bootloader::Request(uint16_t page) {
  Bytes b = ".";
  AppendLE16(b, page);
  return b;
}

bool Bootloader::AtBoundary() const {
  return state_ != State::Header && state_ != State::Extension && state_ != State::Frame;
}

void Bootloader::Feed(char c, SimTime t) {
  lastByte_ = t;
  switch (state_) {
    case State::Header:
      frame_ += c;
      if (frame_.size() == 2 + kHeaderBytes) HeaderDone(t);
      return;
    case State::Extension:
      extension_ += c;
      if (extension_.size() == kExtensionBytes) HeaderReply(t);
      return;
    case State::Frame:
      frame_ += c;
      if (frame_.size() == 2 && LE16(frame_, 0) == 0xFFFF)
        EndFrame(t);
      else if (frame_.size() == 4 + std::size_t(pageSize_))
        PageDone(t);
      return;
    default:
      break;
  }
  if (c == '<' && state_ != State::Done) {
    Connect(t);
  } else if (c == '#' && state_ == State::Connected) {
    state_ = State::Header;
    frame_.clear();
  } else if (c == '@' && state_ == State::WaitPage) {
    state_ = State::Frame;
    frame_.clear();
  }
  // Anything else between frames is line noise and is dropped.
}

void Bootloader::Connect(SimTime t) {
  m_.Event("boot: connect");
  promptAt_.reset();
  state_ = State::Connected;
  header_.clear();
  extension_.clear();
  image_.clear();
  expected_ = 0;
  Send(Plus(""), t);
}

void Bootloader::HeaderDone(SimTime t) {
  const std::string_view h = std::string_view(frame_).substr(2);
  if (PageChecksum(h) != LE16(frame_, 0)) {
    m_.Event("boot: header checksum wrong");
    state_ = State::Connected;
    Send("-", t);
    return;
  }
  header_ = std::string(h);
  if (m_.scenario().headerExtension) {
    m_.Event("boot: header ok, waiting for the extension block");
    state_ = State::Extension;
    extension_.clear();
    return;
  }
  m_.Event("boot: header ok");
  HeaderReply(t);
}

void Bootloader::HeaderReply(SimTime t) {
  if (!extension_.empty()) m_.Event(Format("boot: extension block, %zu bytes", extension_.size()));
  Bytes data;
  AppendLE16(data, uint16_t(pageSize_));
  std::string serial = m_.scenario().serial.substr(0, 8);
  serial.resize(8, ' ');
  std::string id = m_.scenario().bootId.empty() ? m_.scenario().signature : m_.scenario().bootId;
  data += serial + id.substr(0, 255 - 10);
  Send(Plus(data), t);
  if (pageSize_ == 0) {
    // Nothing can be asked for in pages of no bytes; only a new connect helps.
    m_.Event("boot: page size 0, no page requested");
    state_ = State::Connected;
    return;
  }
  state_ = State::WaitPage;
  expected_ = 0;
  Send(Request(0), t);
}

void Bootloader::Nak(uint16_t rerequest, SimTime t, const std::string& why) {
  m_.Event(Format("boot: page %u NAK (%s)", unsigned(rerequest), why.c_str()));
  state_ = State::WaitPage;
  Send("-", t);
  Send(Request(rerequest), t);
}

void Bootloader::PageDone(SimTime t) {
  const uint16_t n = LE16(frame_, 0);
  const std::string_view data = std::string_view(frame_).substr(4);
  if (n != expected_) return Nak(expected_, t, Format("got page %u", unsigned(n)));
  if (PageChecksum(data) != LE16(frame_, 2)) return Nak(n, t, "checksum wrong");
  for (const NakRule& r : m_.scenario().nakPages) {
    if (r.page == n && m_.nakCounts[n] < r.times) {
      ++m_.nakCounts[n];
      return Nak(n, t, "fault");
    }
  }
  if (m_.scenario().nakRate > 0 && m_.NextUnit() < m_.scenario().nakRate) return Nak(n, t, "random fault");
  if (int64_t(image_.size() + data.size()) > m_.scenario().maxImageBytes) return Nak(n, t, "image too large");
  image_ += data;
  flashing_ = n;
  state_ = State::Flashing;
  flashDoneAt_ = t + Ms(m_.scenario().flashDelayMs);
  if (m_.scenario().flashDelayMs == 0) Ack(t);
}

void Bootloader::Ack(SimTime t) {
  Bytes n;
  AppendLE16(n, flashing_);
  Send(Plus(n), t);
  const bool jump = m_.scenario().jumpAfterPage == int(flashing_);
  if (jump)
    m_.Event(Format("boot: page %u written, asking for page %d next", unsigned(flashing_), m_.scenario().jumpToPage));
  expected_ = uint16_t(jump ? m_.scenario().jumpToPage : flashing_ + 1);
  state_ = State::WaitPage;
  Send(Request(expected_), t);
}

void Bootloader::EndFrame(SimTime t) {
  StoredImage s;
  s.header = header_;
  s.extension = extension_;
  s.image = image_;
  s.pageSize = pageSize_;
  s.pages = pageSize_ ? int(image_.size() / std::size_t(pageSize_)) : 0;
  s.sha256 = Sha256Hex(image_);
  m_.Event(Format("boot: image stored, %zu bytes, %d pages, sha256 %s", image_.size(), s.pages, s.sha256.c_str()));
  m_.stored = std::move(s);
  ++m_.uploads;
  state_ = State::Done;
  Bytes end;
  AppendLE16(end, 0xFFFF);
  Send(Plus(end), t);
}

std::optional<SimTime> Bootloader::Deadline() const {
  std::optional<SimTime> d;
  auto take = [&](SimTime x) {
    if (!d || x < *d) d = x;
  };
  if (promptAt_ && state_ == State::Idle) take(*promptAt_);
  if (state_ == State::Flashing) take(flashDoneAt_);
  if (state_ == State::Header || state_ == State::Extension || state_ == State::Frame)
    take(lastByte_ + Ms(m_.scenario().frameTimeoutMs));
  return d;
}

void Bootloader::Expire(SimTime now) {
  for (int guard = 0; guard < 4; ++guard) {
    const auto d = Deadline();
    if (!d || *d > now) return;
    const SimTime t = *d;
    if (promptAt_ && state_ == State::Idle && *promptAt_ == t) {
      promptAt_.reset();
      m_.Event("boot: prompt");
      Send(">", t);
    } else if (state_ == State::Flashing) {
      Ack(t);
    } else if (state_ == State::Header) {
      m_.Event("boot: header frame stalled");
      state_ = State::Connected;
      Send("-", t);
    } else if (state_ == State::Extension) {
      HeaderReply(t);  // a short file: take the extension block as it came
    } else if (state_ == State::Frame) {
      Nak(expected_, t, "frame stalled");
    }
  }
}

}  // namespace bx::sim
