#include "support/ScriptedBootloader.h"

#include "firmware/FirmwareImage.h"
#include "support/BootMessages.h"

namespace bx::test {

void ScriptedBootloader::Attach() {
  link_.onWrite = [this](const Bytes& b) { Feed(b); };
}

void ScriptedBootloader::Prompt() { Reply(">"); }

void ScriptedBootloader::PromptAfter(int ms) {
  promptTimer_ = std::make_unique<ui::TTimer>("tmrPrompt", ms, false);
  promptTimer_->OnTimer = [this] {
    promptTimer_->SetEnabled(false);
    Prompt();
  };
  promptTimer_->SetEnabled(true);
}

void ScriptedBootloader::Feed(const Bytes& bytes) {
  buf_ += bytes;
  while (!quiet_ && Step()) {
  }
}

bool ScriptedBootloader::Step() {
  if (buf_.empty()) return false;
  switch (state_) {
    case State::Idle:
      if (buf_[0] == '<') {
        Reply(kConnectAck);
        state_ = State::Header;
      }
      buf_.erase(0, 1);
      return true;
    case State::Header: {
      if (buf_.size() < 83) return false;
      header = buf_.substr(3, 80);
      const bool good = buf_[0] == '#' && LE16(buf_, 1) == PageChecksum(header);
      buf_.erase(0, 83);
      if (!good) {
        ++badFrames;
        Reply("-");
        return true;
      }
      if (expectExtension)
        state_ = State::Extension;
      else
        HeaderDone();
      return true;
    }
    case State::Extension:
      if (buf_.size() < kExtensionBlockLength) return false;
      extension = buf_.substr(0, kExtensionBlockLength);
      buf_.erase(0, kExtensionBlockLength);
      HeaderDone();
      return true;
    case State::Pages:
      return PageFrame();
    case State::Done:
      buf_.clear();
      return false;
  }
  return false;
}

void ScriptedBootloader::HeaderDone() {
  state_ = State::Pages;
  expected_ = 0;
  Reply(HeaderReply(pageSize, serial, id) + Request(0));
}

bool ScriptedBootloader::PageFrame() {
  if (buf_[0] != '@') {
    ++badFrames;
    buf_.erase(0, 1);
    return true;
  }
  if (buf_.size() < 3) return false;
  const uint16_t n = LE16(buf_, 1);
  if (n == 0xFFFF) {
    buf_.erase(0, 3);
    state_ = State::Done;
    finished = true;
    Reply(Ack(0xFFFF));
    return true;
  }
  const std::size_t length = 5u + pageSize;
  if (buf_.size() < length) return false;
  const Bytes page = buf_.substr(5, pageSize);
  const bool good = n == expected_ && LE16(buf_, 3) == PageChecksum(page);
  buf_.erase(0, length);
  auto nak = nakPages.find(n);
  if (!good || (nak != nakPages.end() && nak->second > 0)) {
    if (good)
      --nak->second;
    else
      ++badFrames;
    ++naks;
    Reply("-" + Request(expected_));
    return true;
  }
  stored += page;
  expected_ = static_cast<uint16_t>(n + 1);
  if (quietAfterPage == n) {
    quiet_ = true;
    Reply(Ack(n));
    return false;
  }
  Reply(Ack(n) + Request(expected_));
  return true;
}

}  // namespace bx::test
