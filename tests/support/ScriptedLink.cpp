#include "support/ScriptedLink.h"

#include <algorithm>

#include "links/Link_channel.h"

namespace bx::test {

void ScriptedLink::Receive(const Bytes& bytes, bool notify) {
  std::function<void()> fn;
  {
    std::lock_guard g(mu_);
    rx_ += bytes;
    if (notify) fn = notify_;
  }
  if (fn) fn();
}

void ScriptedLink::Drop() {
  std::lock_guard g(mu_);
  open_ = false;
  rx_.clear();
}

void ScriptedLink::HangUp(const Bytes& last) {
  std::function<void()> fn;
  {
    std::lock_guard g(mu_);
    rx_ += last;
    hungUp_ = true;
    fn = notify_;
  }
  if (fn) fn();
}

Bytes ScriptedLink::Written() const { return JoinLines(writes, ""); }

Bytes ScriptedLink::TakeWritten() {
  Bytes all = Written();
  writes.clear();
  return all;
}

bool ScriptedLink::HasNotify() const {
  std::lock_guard g(mu_);
  return static_cast<bool>(notify_);
}

std::size_t ScriptedLink::Queued() const {
  std::lock_guard g(mu_);
  return rx_.size();
}

bool ScriptedLink::Open() {
  ++openCalls;
  if (openResult) open_ = true;
  return open_;
}

bool ScriptedLink::Close() {
  ++closeCalls;
  std::lock_guard g(mu_);
  open_ = false;
  hungUp_ = false;
  rx_.clear();
  return true;
}

bool ScriptedLink::Write(const Bytes& text) {
  writes.push_back(text);
  if (onWrite) onWrite(text);
  return writeResult;
}

int ScriptedLink::BytesAvailable() const {
  std::lock_guard g(mu_);
  ++availableQueries;
  return open_ ? static_cast<int>(rx_.size()) : 0;
}

bool ScriptedLink::ReadAvailable(Bytes& out) {
  std::lock_guard g(mu_);
  out.clear();
  if (!open_) return false;
  out.swap(rx_);
  return true;
}

bool ScriptedLink::ReadUntil(Bytes& text, int /*timeoutMs*/) {
  const Bytes terminator = text;
  std::lock_guard g(mu_);
  if (!open_ || rx_.empty()) return false;
  // As the real link: up to the terminator (and nothing after it here, since the bytes
  // queued are all there is), never more than the read limit, true when a byte came.
  const std::size_t at = terminator.empty() ? Bytes::npos : rx_.find(terminator);
  std::size_t n = at == Bytes::npos ? rx_.size() : at + terminator.size();
  n = std::min<std::size_t>(n, kReadUntilLimit);
  text = rx_.substr(0, n);
  rx_.erase(0, n);
  return true;
}

void ScriptedLink::SetDataNotify(std::function<void()> notify) {
  std::lock_guard g(mu_);
  if (notify)
    ++notifySets;
  else
    ++notifyClears;
  notify_ = std::move(notify);
}

}  // namespace bx::test
