#include "sim/CommandParser.h"

#include "core/Bytes.h"
#include "core/Protocol.h"

namespace bx::sim {
namespace {

constexpr std::string_view kPrefix = proto::kCommandPrefix;

bool IdChar(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }

}  // namespace

const char* CommandName(Cmd c) {
  switch (c) {
    case Cmd::Identity:
      return "I";
    case Cmd::Mode:
      return "M";
    case Cmd::Test:
      return "T";
    case Cmd::Update:
      return "U";
    case Cmd::Reset:
      return "R";
    case Cmd::SysRead:
      return "S";
    case Cmd::SysSet:
      return "SD";
    case Cmd::WifiRead:
      return "WC";
    case Cmd::WifiSave:
      return "WC?";
    case Cmd::WifiScan:
      return "WS";
    case Cmd::WifiUpdate:
      return "WU";
    case Cmd::WifiErase:
      return "WE";
    case Cmd::Driver:
      return "D";
    case Cmd::Unknown:
      break;
  }
  return "?";
}

CommandParser::CommandParser(SimDuration gap, std::function<bool(const std::string&)> modeIdIsFinal)
    : gap_(gap), modeIdIsFinal_(std::move(modeIdIsFinal)) {}

CommandParser::Verdict CommandParser::Judge(std::string_view body) const {
  if (body.empty()) return Verdict::NeedMore;
  const std::string_view rest = body.substr(1);
  switch (body[0]) {
    case 'I':
    case 'U':
    case 'R':
    case 'D':
      return Verdict::Complete;
    case 'M': {
      if (rest.size() >= 3) return Verdict::Complete;
      for (char c : rest)
        if (!IdChar(c)) return Verdict::Complete;  // malformed: answer at once
      if (!rest.empty() && modeIdIsFinal_ && modeIdIsFinal_(std::string(rest))) return Verdict::Complete;
      return Verdict::NeedMore;
    }
    case 'S':
      if (rest.empty() || rest[0] == 'D') return Verdict::NeedMore;
      return Verdict::Complete;
    case 'W':
      if (rest.empty()) return Verdict::NeedMore;
      if (rest[0] == 'C') return Verdict::NeedMore;
      return Verdict::Complete;
    case 'T':
      return Verdict::NeedMore;
    default:
      return Verdict::Complete;
  }
}

Command CommandParser::Classify(std::string_view body, SimTime t) const {
  Command c;
  c.text = std::string(body);
  c.at = t;
  if (body.empty()) return c;
  const std::string_view rest = body.substr(1);
  switch (body[0]) {
    case 'I':
      c.kind = body.size() == 1 ? Cmd::Identity : Cmd::Unknown;
      break;
    case 'U':
      c.kind = body.size() == 1 ? Cmd::Update : Cmd::Unknown;
      break;
    case 'R':
      c.kind = body.size() == 1 ? Cmd::Reset : Cmd::Unknown;
      break;
    case 'D':
      c.kind = body.size() == 1 ? Cmd::Driver : Cmd::Unknown;
      break;
    case 'M':
      c.kind = Cmd::Mode;
      c.arg = std::string(rest);
      break;
    case 'T':
      c.kind = Cmd::Test;
      c.arg = std::string(rest);
      break;
    case 'S':
      if (rest.empty())
        c.kind = Cmd::SysRead;
      else if (rest[0] == 'D') {
        c.kind = Cmd::SysSet;
        c.arg = std::string(rest);
      }
      break;
    case 'W':
      if (rest == "C")
        c.kind = Cmd::WifiRead;
      else if (StartsWith(rest, "C?")) {
        c.kind = Cmd::WifiSave;
        c.arg = std::string(rest.substr(2));
      } else if (rest == "S")
        c.kind = Cmd::WifiScan;
      else if (rest == "U")
        c.kind = Cmd::WifiUpdate;
      else if (rest == "E")
        c.kind = Cmd::WifiErase;
      break;
    default:
      break;
  }
  return c;
}

void CommandParser::Feed(char c, SimTime t, std::vector<Command>& out) {
  last_ = t;
  if (buf_.size() < kPrefix.size()) {
    if (c == kPrefix[buf_.size()]) {
      buf_ += c;
    } else {
      buf_.clear();
      if (c == kPrefix[0]) buf_ += c;
    }
    return;
  }
  // The next command's prefix ends this one. Only the self-test parameters are free text
  // that may hold a "!"; there the whole prefix has to arrive first.
  const bool freeText = buf_.size() > kPrefix.size() && buf_[kPrefix.size()] == 'T';
  if (c == kPrefix[0] && buf_.size() > kPrefix.size() && !freeText) {
    out.push_back(Classify(std::string_view(buf_).substr(kPrefix.size()), t));
    buf_.assign(1, c);
    return;
  }
  buf_ += c;
  if (freeText && EndsWith(buf_, kPrefix)) {
    const std::string body = buf_.substr(kPrefix.size(), buf_.size() - 2 * kPrefix.size());
    out.push_back(Classify(body, t));
    buf_ = std::string(kPrefix);
    return;
  }
  const std::string_view body = std::string_view(buf_).substr(kPrefix.size());
  if (Judge(body) == Verdict::Complete || body.size() >= kMaxCommand) {
    out.push_back(Classify(body, t));
    buf_.clear();
  }
}

std::optional<SimTime> CommandParser::Deadline() const {
  if (buf_.empty()) return std::nullopt;
  return last_ + gap_;
}

void CommandParser::Expire(std::vector<Command>& out) {
  // The adapter learns that the command is over only when the silence has passed.
  if (buf_.size() > kPrefix.size())
    out.push_back(Classify(std::string_view(buf_).substr(kPrefix.size()), last_ + gap_));
  buf_.clear();
}

}  // namespace bx::sim
