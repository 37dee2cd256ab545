#include "session/AdapterChannel.h"

#include <algorithm>
#include <system_error>

#include "core/Protocol.h"

namespace bx {

namespace {
// Noise before a frame that never brings its CR LF is kept only as far as it could
// still be the first half of one.
void DropNoise(Bytes& buffer, bool& frameOpen) {
  if (frameOpen) return;
  const auto p = buffer.find(proto::kCrLf);
  if (p == Bytes::npos) {
    if (buffer.size() > 1) buffer.erase(0, buffer.size() - 1);
    return;
  }
  buffer.erase(0, p);
  frameOpen = true;
}
}  // namespace

bool TakeReplyFrame(Bytes& buffer, bool& frameOpen, Bytes& body, std::size_t& searched) {
  const bool wasOpen = frameOpen;
  DropNoise(buffer, frameOpen);
  if (!frameOpen || !wasOpen) searched = 0;
  if (!frameOpen) return false;
  const auto end = buffer.find(proto::kFrameEnd, std::min(searched, buffer.size()));
  if (end == Bytes::npos) {
    // The last bytes may be the first part of a frame end whose rest is still to come.
    const std::size_t overlap = proto::kFrameEnd.size() - 1;
    searched = buffer.size() > overlap ? buffer.size() - overlap : 0;
    return false;
  }
  body = end == 0 ? Bytes() : buffer.substr(2, end - 2);
  buffer.erase(0, end + proto::kFrameEnd.size());
  frameOpen = false;
  searched = 0;
  return true;
}

bool TakeReplyFrame(Bytes& buffer, bool& frameOpen, Bytes& body) {
  std::size_t searched = 0;
  return TakeReplyFrame(buffer, frameOpen, body, searched);
}

bool AdapterChannel::Open(Link* link, const std::string& port, bool synchronous) {
  JoinOpener();
  link_ = link;
  if (!link_) return false;
  link_->SetPortName(port);
  reading_ = true;
  openerRunning_ = true;
  if (synchronous) {
    link_->Open();
    openerRunning_ = false;
    return true;
  }
  try {
    opener_ = std::thread([this, link] {
      link->Open();
      openerRunning_ = false;
    });
  } catch (const std::system_error&) {
    openerRunning_ = false;
    link_ = nullptr;
    return false;
  }
  return true;
}

void AdapterChannel::JoinOpener() {
  if (opener_.joinable()) opener_.join();
}

void AdapterChannel::Close() {
  if (link_) link_->Close();
}

void AdapterChannel::Drop() {
  // A close right after the open began finds the opener still inside the link's Open.
  JoinOpener();
  Close();
  link_ = nullptr;
}

void AdapterChannel::Receive() {
  if (!reading_ || !link_ || !link_->IsOpen() || link_->BytesAvailable() <= 0) return;
  Bytes chunk;
  link_->ReadAvailable(chunk);
  silence_ = kSilenceTicks;
  const std::size_t room = kMaxReplyBytes - std::min(kMaxReplyBytes, rx_.size());
  if (chunk.size() > room) {
    dropped_ += chunk.size() - room;
    chunk.resize(room);
  }
  rx_ += chunk;
}

void AdapterChannel::Send(const Bytes& command) {
  Write(command);
  // The wait for the reply begins once the command has left, but an answer may already
  // come in the tick that sees it leave: its refill must stand, so the allowance is set
  // here, before any arrival, and not counted down while the write goes.
  silence_ = kFirstAnswerTicks;
  leaving_ = true;
}

void AdapterChannel::Write(const Bytes& command) {
  if (link_) link_->Write(command);
  ++commandsSent_;
}

bool AdapterChannel::Leaving() {
  if (leaving_ && link_ && link_->PendingWrite() > 0) return true;
  leaving_ = false;
  return false;
}

bool AdapterChannel::FrameBegun() {
  DropNoise(rx_, frameOpen_);
  return frameOpen_;
}

AdapterChannel::Await AdapterChannel::Step(const std::function<void(const std::string&)>& echoLine) {
  if (Leaving()) return Await::Writing;
  DropNoise(rx_, frameOpen_);
  EchoLines(echoLine, false);
  Bytes body;
  if (TakeReplyFrame(rx_, frameOpen_, body, searched_)) {
    echoed_ = 0;
    body_ = std::move(body);
    return Await::Frame;
  }
  if (silence_-- != 1) return Await::Waiting;
  EchoLines(echoLine, true);
  // A frame that outgrew what the channel keeps cannot end any more (its end was
  // dropped): the next attempt starts on an empty buffer.
  if (rx_.size() >= kMaxReplyBytes) ClearReceived();
  return Await::Silent;
}

// The open frame's whole lines that have not been echoed yet; with `all` (the reply
// timed out) also the unfinished last one. The empty line that ends the frame is not a
// line of the reply.
void AdapterChannel::EchoLines(const std::function<void(const std::string&)>& echoLine, bool all) {
  if (!echoLine || !frameOpen_) return;
  echoed_ = std::max<std::size_t>(echoed_, proto::kCrLf.size());
  while (echoed_ < rx_.size()) {
    const auto eol = rx_.find(proto::kCrLf, echoed_);
    if (eol == echoed_) return;
    if (eol == Bytes::npos) {
      if (!all) return;
      std::string rest = rx_.substr(echoed_);
      if (rest.back() == '\r') rest.pop_back();
      echoed_ = rx_.size();
      if (!rest.empty()) echoLine(rest);
      return;
    }
    const std::string line = rx_.substr(echoed_, eol - echoed_);
    echoed_ = eol + proto::kCrLf.size();
    echoLine(line);
  }
}

void AdapterChannel::ClearReceived() {
  rx_.clear();
  frameOpen_ = false;
  searched_ = 0;
  echoed_ = 0;
}

std::string NotFoundChecks(const std::string& port, const std::string& serialPrefix, bool bootloader) {
  std::string out = "Check:\r\n- the cable, and that the adapter has power\r\n- that this is the adapter's port";
  if (serialPrefix == "/dev/" && port.starts_with(serialPrefix))
    out += "\r\n- that you may open " + port +
           ": on most systems a member of the group \"dialout\" may (sudo usermod -aG dialout $USER, then log in"
           " again)";
  if (bootloader) out += std::string("\r\n\r\n") + kBootloaderHint;
  return out;
}

}  // namespace bx
